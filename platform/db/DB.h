#pragma once
// Data sets, fields and data sources with the class library's names and behaviour. A data set
// holds its whole result once opened, so walking it again from the start costs nothing; the
// ADO data sets (ADODB.h) fill it from SQLite and write edits back. A unidirectional data set holds
// only its current record and reads the next one as it moves on: a long result read once costs
// the memory of one record.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "SysUtils.h"
#include "Variants.h"

class EDatabaseError : public SysUtils::Exception { using Exception::Exception; };

enum TFieldType {
    ftUnknown, ftString, ftMemo, ftInteger, ftLargeint, ftBoolean, ftFloat, ftDateTime, ftBlob
};
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
    deUpdateState, deCheckBrowseMode
};
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;
// Identifies a record for GotoBookmark as long as the data set stays open; 0 is no bookmark.
using TBookmark = std::int64_t;

class TDataSet;
class TDataSource;

class TField : public TObject {
public:
    TField(TDataSet* DataSet, int Index, AnsiString FieldName, TFieldType DataType);

    TDataSet* DataSet() const { return dataSet_; }
    const AnsiString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Index() const { return index_; }
    int FieldNo() const { return index_ + 1; }

    // The value of the current record (the edit buffer while editing); Null without a record.
    const Variant& Value() const;
    Variant AsVariant() const { return Value(); }
    bool IsNull() const { return Value().IsNull(); }
    // Text as the field's type gives it: an integer reads "4", a date "05.03.2007 14:00:00",
    // a Boolean "True"/"False"; Null reads "".
    AnsiString AsString() const;
    // Held to the range of int: a number another program stored may be any.
    int AsInteger() const {
        return static_cast<int>(std::clamp<Int64>(AsLargeInt(), std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
    }
    Int64 AsLargeInt() const;
    double AsFloat() const;
    TDateTime AsDateTime() const;
    bool AsBoolean() const;   // any non-zero number is true

    // Assignment while the data set edits or inserts; the value is stored in the field's type
    // (a date always as a number). Empty text on a non-text field stores Null.
    void SetValue(const Variant& Value);
    void SetAsString(const AnsiString& Value);
    void SetAsInteger(int Value) { SetValue(Variant(static_cast<Int64>(Value))); }
    void SetAsLargeInt(Int64 Value) { SetValue(Variant(static_cast<long long>(Value))); }
    void SetAsFloat(double Value) { SetValue(Variant(Value)); }
    void SetAsDateTime(TDateTime Value) { SetValue(Variant(Value.Val)); }
    void SetAsBoolean(bool Value) { SetValue(Variant(Value)); }
    void Clear() { SetValue(Variant()); }

private:
    friend class TDataSet;
    Variant Coerce(const Variant& v) const;
    TDataSet* dataSet_;
    int index_;
    AnsiString name_;
    TFieldType type_;
};

class TFields : public TObject {
public:
    int Count() const { return static_cast<int>(fields_.size()); }
    TField* Fields(int Index) const;
    TField* operator[](int Index) const { return Fields(Index); }
    TField* FindField(const AnsiString& FieldName) const;       // case-insensitive; nullptr when absent
    TField* FieldByName(const AnsiString& FieldName) const;     // raises EDatabaseError when absent
    void GetFieldNames(TStrings* List) const;

private:
    friend class TDataSet;
    std::vector<std::unique_ptr<TField>> fields_;
};

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;

    // ---- opening -------------------------------------------------------------------------------
    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool Value) { if (Value) Open(); else Close(); }
    TDataSetState State() const { return state_; }
    // Reads the data again, staying on the same record number where possible.
    void Refresh();

    // ---- fields --------------------------------------------------------------------------------
    TFields* Fields() { return &fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const AnsiString& FieldName) const { return fields_.FindField(FieldName); }
    TField* FieldByName(const AnsiString& FieldName) const { return fields_.FieldByName(FieldName); }

    // ---- navigation (a pending edit or insert is posted first, or cancelled when unchanged) ----
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int Distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const;
    // The records held; a unidirectional data set counts the records it has read so far.
    int RecordCount() const { return uniDirectional_ ? read_ : static_cast<int>(rows_.size()); }
    int RecNo() const;                       // 1-based; 0 without a record
    void SetRecNo(int Value);
    bool Locate(const AnsiString& KeyFields, const Variant& KeyValues, TLocateOptions Options = 0);

    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark Bookmark);   // raises EDatabaseError when the record is gone
    void FreeBookmark(TBookmark) {}
    bool BookmarkValid(TBookmark Bookmark) const;

    // ---- editing -------------------------------------------------------------------------------
    virtual bool CanModify() const { return Active() && !uniDirectional_; }
    void Insert();       // a new empty record before the current one
    void Append();       // a new empty record at the end
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    bool Modified() const { return modified_; }

    // Moves only forward: Next reads the next record, First is allowed while on the first one,
    // going back or to a bookmark raises EDatabaseError, and nothing can be changed.
    bool IsUniDirectional() const { return uniDirectional_; }

    // ---- controls ------------------------------------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll, OnNewRecord;

protected:
    struct TFieldDef {
        AnsiString Name;
        TFieldType DataType = ftUnknown;
    };
    // A record as the data set holds it; RowKey is the back end's handle for finding it again.
    struct TRecordData {
        std::vector<Variant> Values;
        std::int64_t RowKey = 0;
        std::int64_t Id = 0;
    };

    // Fills the field definitions and the records (through AddRecord).
    virtual void InternalOpen(std::vector<TFieldDef>& FieldDefs) = 0;
    virtual void InternalClose() {}
    // Writes a posted record. Changed marks the fields assigned since Edit or Insert. The back end
    // may update Values (defaults, conversions) and RowKey.
    virtual void InternalPost(bool Inserting, const std::vector<Variant>& OldValues,
                              std::vector<Variant>& Values, const std::vector<bool>& Changed,
                              std::int64_t& RowKey) = 0;
    virtual void InternalDelete(const std::vector<Variant>& Values, std::int64_t RowKey) = 0;

    void AddRecord(std::vector<Variant> Values, std::int64_t RowKey);
    // Takes effect at the next Open; a unidirectional back end adds no records in InternalOpen but
    // hands them over one by one through InternalFetch.
    void SetUniDirectional(bool Value) { uniDirectional_ = Value; }
    // The next record into Values, which hold the previous one (their room may be reused); false
    // after the last record, Values then left as they were.
    virtual bool InternalFetch(std::vector<Variant>& Values) {
        (void)Values;
        return false;
    }
    void CheckActive() const;
    void DataEvent(TDataEvent Event, intptr_t Info = 0);

private:
    friend class TField;
    friend class TDataSource;
    const Variant& CurrentValue(int Index) const;
    void SetFieldValue(int Index, Variant Value);
    void SetState(TDataSetState Value);
    void CheckCanModify() const;
    void BeginInsertAppend(bool append);
    void MoveTo(int index, bool eof, bool bof);
    void Fire(const TDataSetNotifyEvent& e) { if (e) e(this); }
    void CloseCursor();
    void CheckBiDirectional() const;
    // A unidirectional data set's first record, read after InternalOpen; the field types it settles.
    void FetchFirst();
    bool Fetch();
    void TypeUntypedFields(const std::vector<Variant>& Values);

    TFields fields_;
    std::vector<TRecordData> rows_;
    std::int64_t nextId_ = 1;
    int cur_ = -1;
    bool eof_ = true, bof_ = true;
    TDataSetState state_ = dsInactive;
    std::vector<Variant> editBuf_;
    std::vector<bool> changed_;
    bool modified_ = false;
    int insertAt_ = 0;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    std::vector<TDataSource*> dataSources_;
    bool uniDirectional_ = false;
    int read_ = 0;   // records a unidirectional data set has read
};

// Connects data-aware code to a data set; notifications arrive through the virtual methods.
class TDataLink : public TObject {
public:
    TDataLink() = default;
    ~TDataLink() override;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* Value);
    TDataSet* DataSet() const;
    // The data source is enabled and its data set open.
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    // Puts the data set into edit state when the data source allows automatic editing.
    bool Edit();

protected:
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int Distance) { (void)Distance; DataSetChanged(); }
    virtual void RecordChanged(TField* Field) { (void)Field; }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent Event, intptr_t Info);
    void UpdateState();
    TDataSource* source_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
};

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* Value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool Value) { autoEdit_ = Value; }
    TDataSetState State() const;
    void Edit();   // puts the data set into edit state when AutoEdit is on and it browses

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent Event, intptr_t Info);
    void UpdateLinks();
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    bool autoEdit_ = true;
    std::vector<TDataLink*> links_;
};
