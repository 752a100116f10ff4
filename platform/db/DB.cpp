#include "DB.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <strings.h>

namespace {

const Variant& NullValue() {
    static const Variant null;
    return null;
}

bool IsEditState(TDataSetState s) { return s == dsEdit || s == dsInsert; }

// The type a column without a declared type (an expression) takes from its first value.
TFieldType TypeOfValue(const Variant& v) {
    return v.VarType() == varInt64 ? ftLargeint : v.VarType() == varDouble ? ftFloat : ftString;
}

// Up to Max digits at Pos as a number; false when there is none.
bool ReadDigits(const std::string& text, std::size_t& pos, std::size_t max, int& value) {
    const std::size_t start = pos;
    const std::size_t stop = std::min(text.size(), pos + max);
    const auto [end, ec] = std::from_chars(text.data() + pos, text.data() + stop, value);
    if (ec != std::errc() || end == text.data() + start) return false;
    pos = static_cast<std::size_t>(end - text.data());
    return true;
}

bool Expect(const std::string& text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

// "yyyy-mm-dd[ hh:nn[:ss]]" as other programs may write dates into a text column.
bool TryIsoDateTime(const std::string& text, TDateTime& out) {
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0;
    std::size_t pos = 0;
    if (!ReadDigits(text, pos, 4, y) || !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, m) ||
        !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, d))
        return false;
    TDateTime date, time;
    if (!SysUtils::TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date))
        return false;
    if (pos == text.size()) {
        out = date;
        return pos == 10;
    }
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) ++pos;
    if (!ReadDigits(text, pos, 2, h) || !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, n)) return false;
    if (pos < text.size() && (!Expect(text, pos, ':') || !ReadDigits(text, pos, 2, s) || pos != text.size()))
        return false;
    if (!SysUtils::TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s), 0, time))
        return false;
    out = TDateTime(date.Val + time.Val);
    return true;
}

TDateTime TextToDateTime(const std::string& text) {
    std::string t = SysUtils::Trim(text);
    TDateTime result;
    if (TryIsoDateTime(t, result)) return result;
    std::size_t blank = t.find(' ');
    TDateTime date, time;
    if (blank == std::string::npos) {
        if (SysUtils::TryStrToDate(t, date)) return date;
        if (SysUtils::TryStrToTime(t, time)) return time;
    } else if (SysUtils::TryStrToDate(t.substr(0, blank), date) &&
               SysUtils::TryStrToTime(SysUtils::Trim(t.substr(blank + 1)), time)) {
        return TDateTime(date.Val < 0 ? date.Val - time.Val : date.Val + time.Val);
    }
    throw SysUtils::EConvertError("'" + text + "' is not a valid date and time");
}

} // namespace

// ---- TField ---------------------------------------------------------------------------------------

TField::TField(TDataSet* DataSet, int Index, AnsiString FieldName, TFieldType DataType)
    : dataSet_(DataSet), index_(Index), name_(std::move(FieldName)), type_(DataType) {}

const Variant& TField::Value() const { return dataSet_->CurrentValue(index_); }

AnsiString TField::AsString() const {
    const Variant& v = Value();
    if (v.IsNull()) return AnsiString();
    switch (type_) {
    case ftInteger:
    case ftLargeint: return SysUtils::IntToStr(v.AsInt64());
    case ftBoolean: return AsBoolean() ? "True" : "False";
    case ftFloat: return SysUtils::FloatToStr(v.AsDouble());
    case ftDateTime: return SysUtils::DateTimeToStr(AsDateTime());
    default: return v.AsString();
    }
}

Int64 TField::AsLargeInt() const { return Value().AsInt64(); }

double TField::AsFloat() const {
    const Variant& v = Value();
    if (type_ == ftDateTime) return AsDateTime().Val;
    return v.AsDouble();
}

TDateTime TField::AsDateTime() const {
    const Variant& v = Value();
    if (v.VarType() == varString) return TextToDateTime(v.StringValue());
    // Another program may have stored any number: a date beyond the years the program handles
    // counts as the nearest one it handles.
    return SysUtils::ClampDateTime(v.AsDouble());
}

bool TField::AsBoolean() const { return Value().AsBoolean(); }

Variant TField::Coerce(const Variant& v) const {
    if (v.IsNull()) return v;
    bool text = v.VarType() == varString;
    if (text && type_ != ftString && type_ != ftMemo && type_ != ftBlob && type_ != ftUnknown &&
        SysUtils::Trim(v.StringValue()).empty())
        return Variant();
    switch (type_) {
    case ftInteger:
    case ftLargeint: return Variant(static_cast<long long>(v.AsInt64()));
    case ftBoolean: return Variant(v.AsBoolean());
    case ftFloat: return Variant(v.AsDouble());
    case ftDateTime: return text ? Variant(TextToDateTime(v.StringValue()).Val) : Variant(v.AsDouble());
    case ftString:
    case ftMemo: return text ? v : Variant(v.AsString());
    default: return v;
    }
}

void TField::SetValue(const Variant& Value) { dataSet_->SetFieldValue(index_, Coerce(Value)); }

void TField::SetAsString(const AnsiString& Value) { SetValue(Variant(Value)); }

// ---- TFields --------------------------------------------------------------------------------------

TField* TFields::Fields(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("Listenindex überschreitet das Maximum (" + SysUtils::IntToStr(Index) + ")");
    return fields_[static_cast<std::size_t>(Index)].get();
}

TField* TFields::FindField(const AnsiString& FieldName) const {
    // A handful of columns: a length check and a case-insensitive compare, without allocating.
    for (const auto& f : fields_) {
        const AnsiString& n = f->FieldName();
        if (n.size() == FieldName.size() && strncasecmp(n.data(), FieldName.data(), n.size()) == 0)
            return f.get();
    }
    return nullptr;
}

TField* TFields::FieldByName(const AnsiString& FieldName) const {
    if (TField* f = FindField(FieldName)) return f;
    throw EDatabaseError("Feld '" + FieldName + "' nicht gefunden");
}

void TFields::GetFieldNames(TStrings* List) const {
    List->Clear();
    for (const auto& f : fields_) List->Add(f->FieldName());
}

// ---- TDataSet -------------------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) {}

TDataSet::~TDataSet() {
    for (TDataSource* ds : std::vector<TDataSource*>(dataSources_)) ds->SetDataSet(nullptr);
}

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError("Operation bei geschlossener Datenmenge nicht möglich");
}

void TDataSet::AddRecord(std::vector<Variant> Values, std::int64_t RowKey) {
    rows_.push_back(TRecordData{std::move(Values), RowKey, nextId_++});
}

void TDataSet::Open() {
    if (Active()) return;
    Fire(BeforeOpen);
    std::vector<TFieldDef> defs;
    rows_.clear();
    fields_.fields_.clear();
    try {
        InternalOpen(defs);
    } catch (...) {
        rows_.clear();
        fields_.fields_.clear();
        InternalClose();
        throw;
    }
    for (auto& r : rows_) r.Values.resize(defs.size());
    // A column without a declared type (an expression) takes the type of its first value.
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].DataType != ftUnknown) continue;
        for (const auto& r : rows_) {
            const Variant& v = r.Values[i];
            if (v.IsNull()) continue;
            defs[i].DataType = TypeOfValue(v);
            break;
        }
    }
    for (std::size_t i = 0; i < defs.size(); ++i)
            fields_.fields_.push_back(std::make_unique<TField>(this, static_cast<int>(i), defs[i].Name, defs[i].DataType));
    if (uniDirectional_) {
        try {
            FetchFirst();
        } catch (...) {
            rows_.clear();
            fields_.fields_.clear();
            InternalClose();
            throw;
        }
    }
    cur_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    modified_ = false;
    SetState(dsBrowse);
    Fire(AfterOpen);
    Fire(AfterScroll);
}

void TDataSet::CloseCursor() {
    InternalClose();
    read_ = 0;
    rows_.clear();
    fields_.fields_.clear();
    editBuf_.clear();
    changed_.clear();
    cur_ = -1;
    eof_ = bof_ = true;
    modified_ = false;
}

void TDataSet::Close() {
    if (!Active()) return;
    Fire(BeforeClose);
    SetState(dsInactive);
    CloseCursor();
    Fire(AfterClose);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    int keep = cur_;
    std::vector<TFieldDef> defs;
    rows_.clear();
    InternalClose();
    try {
        InternalOpen(defs);
        // A unidirectional data set starts over at its first record.
        if (uniDirectional_) FetchFirst();
    } catch (...) {
        SetState(dsInactive);
        CloseCursor();
        throw;
    }
    for (auto& r : rows_) r.Values.resize(static_cast<std::size_t>(fields_.Count()));
    cur_ = rows_.empty() ? -1 : std::clamp(keep, 0, static_cast<int>(rows_.size()) - 1);
    eof_ = bof_ = rows_.empty();
    DataEvent(deDataSetChange);
}

const Variant& TDataSet::CurrentValue(int Index) const {
    if (IsEditState(state_)) return editBuf_[static_cast<std::size_t>(Index)];
    if (cur_ < 0) return NullValue();
    return rows_[static_cast<std::size_t>(cur_)].Values[static_cast<std::size_t>(Index)];
}

void TDataSet::SetFieldValue(int Index, Variant Value) {
    if (!IsEditState(state_)) throw EDatabaseError("Datenmenge befindet sich nicht im Editier- oder Einfügemodus");
    editBuf_[static_cast<std::size_t>(Index)] = std::move(Value);
    changed_[static_cast<std::size_t>(Index)] = true;
    modified_ = true;
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(fields_.Fields(Index)));
}

bool TDataSet::IsEmpty() const { return rows_.empty() && state_ != dsInsert; }

int TDataSet::RecNo() const {
    if (state_ == dsInsert || cur_ < 0) return 0;
    return uniDirectional_ ? read_ : cur_ + 1;
}

void TDataSet::MoveTo(int index, bool eof, bool bof) {
    int old = cur_;
    cur_ = index;
    eof_ = eof;
    bof_ = bof;
    DataEvent(deDataSetScroll, cur_ - old);
    Fire(AfterScroll);
}

// ---- unidirectional reading ------------------------------------------------------------------------

void TDataSet::CheckBiDirectional() const {
    if (uniDirectional_) throw EDatabaseError("Operation bei unidirektionaler Datenmenge nicht zulässig");
}

void TDataSet::TypeUntypedFields(const std::vector<Variant>& Values) {
    // Records before the first value of an untyped column held Null there, which reads the same
    // in any type: the fields read as those of a data set that holds the whole result.
    for (auto& f : fields_.fields_)
        if (f->type_ == ftUnknown && !Values[static_cast<std::size_t>(f->index_)].IsNull())
            f->type_ = TypeOfValue(Values[static_cast<std::size_t>(f->index_)]);
}

void TDataSet::FetchFirst() {
    read_ = 0;
    rows_.clear();
    TRecordData first{std::vector<Variant>(static_cast<std::size_t>(fields_.Count())), 0, nextId_++};
    if (!InternalFetch(first.Values)) return;
    first.Values.resize(static_cast<std::size_t>(fields_.Count()));
    rows_.push_back(std::move(first));
    read_ = 1;
    TypeUntypedFields(rows_.front().Values);
}

bool TDataSet::Fetch() {
    TRecordData& r = rows_.front();
    if (!InternalFetch(r.Values)) return false;
    r.Values.resize(static_cast<std::size_t>(fields_.Count()));
    r.Id = nextId_++;
    ++read_;
    TypeUntypedFields(r.Values);
    return true;
}

// ---- navigation -----------------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    if (read_ > 1) CheckBiDirectional();
    Fire(BeforeScroll);
    MoveTo(rows_.empty() ? -1 : 0, rows_.empty(), true);
}

void TDataSet::Last() {
    CheckBrowseMode();
    CheckBiDirectional();
    Fire(BeforeScroll);
    MoveTo(static_cast<int>(rows_.size()) - 1, true, rows_.empty());
}

int TDataSet::MoveBy(int Distance) {
    CheckBrowseMode();
    if (uniDirectional_) {
        if (Distance < 0) CheckBiDirectional();
        Fire(BeforeScroll);
        int moved = 0;
        while (moved < Distance && !eof_) {
            if (Fetch()) ++moved;
            else eof_ = true;
        }
        if (Distance > 0 && !rows_.empty()) bof_ = false;
        DataEvent(deDataSetScroll, moved);
        Fire(AfterScroll);
        return moved;
    }
    Fire(BeforeScroll);
    int n = static_cast<int>(rows_.size());
    if (n == 0) {
        MoveTo(-1, true, true);
        return 0;
    }
    long target = static_cast<long>(cur_) + Distance;
    bool eof = false, bof = false;
    if (Distance > 0) {
        if (target >= n) { target = n - 1; eof = true; }
    } else if (Distance < 0) {
        if (target < 0) { target = 0; bof = true; }
    } else {
        eof = eof_;
        bof = bof_;
    }
    int moved = static_cast<int>(target) - cur_;
    MoveTo(static_cast<int>(target), eof, bof);
    return moved;
}

void TDataSet::SetRecNo(int Value) {
    CheckBrowseMode();
    CheckBiDirectional();
    if (Value < 1 || Value > RecordCount()) throw EDatabaseError("Datensatz nicht gefunden");
    Fire(BeforeScroll);
    MoveTo(Value - 1, false, false);
}

bool TDataSet::Locate(const AnsiString& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    CheckBiDirectional();
    TField* field = FieldByName(SysUtils::Trim(KeyFields));
    std::size_t idx = static_cast<std::size_t>(field->Index());
    bool textual = KeyValues.VarType() == varString || field->DataType() == ftString ||
                   field->DataType() == ftMemo || field->DataType() == ftUnknown;
    std::string key = textual ? KeyValues.AsString() : std::string();
    double number = (!textual && !KeyValues.IsNull()) ? KeyValues.AsDouble() : 0.0;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const Variant& v = rows_[r].Values[idx];
        bool match;
        if (KeyValues.IsNull() || v.IsNull()) {
            match = KeyValues.IsNull() && v.IsNull();
        } else if (textual) {
            std::string s = v.AsString();
            if (Options & loPartialKey) {
                if (s.size() < key.size()) continue;
                s.resize(key.size());
            }
            match = (Options & loCaseInsensitive) ? SysUtils::AnsiSameText(s, key) : s == key;
        } else {
            match = v.AsDouble() == number;
        }
        if (match) {
            Fire(BeforeScroll);
            MoveTo(static_cast<int>(r), false, false);
            return true;
        }
    }
    return false;
}

TBookmark TDataSet::GetBookmark() const {
    if (!Active() || cur_ < 0) return 0;
    return rows_[static_cast<std::size_t>(cur_)].Id;
}

bool TDataSet::BookmarkValid(TBookmark Bookmark) const {
    return Bookmark != 0 && std::any_of(rows_.begin(), rows_.end(), [&](const TRecordData& r) { return r.Id == Bookmark; });
}

void TDataSet::GotoBookmark(TBookmark Bookmark) {
    CheckBrowseMode();
    CheckBiDirectional();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (rows_[r].Id == Bookmark) {
            Fire(BeforeScroll);
            MoveTo(static_cast<int>(r), false, false);
            return;
        }
    }
    throw EDatabaseError("Datensatz nicht gefunden");
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) throw EDatabaseError("Eine schreibgeschützte Datenmenge kann nicht geändert werden");
}

void TDataSet::BeginInsertAppend(bool append) {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    editBuf_.assign(static_cast<std::size_t>(fields_.Count()), Variant());
    changed_.assign(editBuf_.size(), false);
    insertAt_ = append || cur_ < 0 ? static_cast<int>(rows_.size()) : cur_;
    eof_ = bof_ = false;
    SetState(dsInsert);
    Fire(OnNewRecord);
    modified_ = false;
    DataEvent(deDataSetChange);
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TDataSet::Insert() { BeginInsertAppend(false); }
void TDataSet::Append() { BeginInsertAppend(true); }

void TDataSet::Edit() {
    CheckActive();
    if (IsEditState(state_)) return;
    if (rows_.empty()) {
        Insert();
        return;
    }
    CheckCanModify();
    Fire(BeforeEdit);
    editBuf_ = rows_[static_cast<std::size_t>(cur_)].Values;
    changed_.assign(editBuf_.size(), false);
    modified_ = false;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::Post() {
    DataEvent(deUpdateRecord);
    if (!IsEditState(state_)) return;
    Fire(BeforePost);
    if (state_ == dsInsert) {
        std::int64_t key = 0;
        InternalPost(true, std::vector<Variant>(editBuf_.size()), editBuf_, changed_, key);
        rows_.insert(rows_.begin() + insertAt_, TRecordData{std::move(editBuf_), key, nextId_++});
        cur_ = insertAt_;
    } else {
        TRecordData& row = rows_[static_cast<std::size_t>(cur_)];
        if (std::find(changed_.begin(), changed_.end(), true) != changed_.end()) {
            std::int64_t key = row.RowKey;
            InternalPost(false, row.Values, editBuf_, changed_, key);
            row.RowKey = key;
            row.Values = std::move(editBuf_);
        }
    }
    editBuf_.clear();
    changed_.clear();
    modified_ = false;
    eof_ = bof_ = false;
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (!IsEditState(state_)) return;
    Fire(BeforeCancel);
    bool wasInsert = state_ == dsInsert;
    editBuf_.clear();
    changed_.clear();
    modified_ = false;
    eof_ = bof_ = rows_.empty();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterCancel);
    if (wasInsert) Fire(AfterScroll);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (rows_.empty()) throw EDatabaseError("Operation bei leerer Datenmenge nicht möglich");
    CheckCanModify();
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    TRecordData& row = rows_[static_cast<std::size_t>(cur_)];
    InternalDelete(row.Values, row.RowKey);
    rows_.erase(rows_.begin() + cur_);
    editBuf_.clear();
    changed_.clear();
    modified_ = false;
    if (cur_ >= static_cast<int>(rows_.size())) cur_ = static_cast<int>(rows_.size()) - 1;
    eof_ = bof_ = rows_.empty();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (!IsEditState(state_)) return;
    DataEvent(deUpdateRecord);
    if (modified_) Post();
    else Cancel();
}

void TDataSet::SetState(TDataSetState Value) {
    if (state_ == Value) return;
    state_ = Value;
    DataEvent(deUpdateState);
}

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) disableState_ = state_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ == 0) {
        if (disableState_ != state_) DataEvent(deUpdateState);
        if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(deDataSetChange);
    }
}

void TDataSet::DataEvent(TDataEvent Event, intptr_t Info) {
    if (disableCount_ > 0 || dataSources_.empty()) return;
    // A handler may attach or detach data sources; walk a copy.
    for (TDataSource* ds : std::vector<TDataSource*>(dataSources_)) ds->DataEvent(Event, Info);
}

// ---- TDataLink ------------------------------------------------------------------------------------

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* Value) {
    if (source_ == Value) return;
    if (source_) {
        auto& l = source_->links_;
        l.erase(std::remove(l.begin(), l.end(), this), l.end());
    }
    source_ = Value;
    if (source_) source_->links_.push_back(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return source_ ? source_->DataSet() : nullptr; }

bool TDataLink::Edit() {
    if (source_ && !editing_) source_->Edit();
    return editing_;
}

void TDataLink::UpdateState() {
    TDataSet* ds = DataSet();
    bool active = source_ && source_->Enabled() && ds && ds->Active();
    if (active != active_) {
        active_ = active;
        ActiveChanged();
    }
    bool editing = active_ && ds && (ds->State() == dsEdit || ds->State() == dsInsert);
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent Event, intptr_t Info) {
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (Event) {
    case deFieldChange:
    case deRecordChange: RecordChanged(reinterpret_cast<TField*>(Info)); break;
    case deDataSetChange:
    case deLayoutChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(static_cast<int>(Info)); break;
    case deUpdateRecord: UpdateData(); break;
    default: break;
    }
}

// ---- TDataSource ----------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
    for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* Value) {
    if (dataSet_ == Value) return;
    if (dataSet_) {
        auto& l = dataSet_->dataSources_;
        l.erase(std::remove(l.begin(), l.end(), this), l.end());
    }
    dataSet_ = Value;
    if (dataSet_) dataSet_->dataSources_.push_back(this);
    UpdateLinks();
}

void TDataSource::SetEnabled(bool Value) {
    if (enabled_ == Value) return;
    enabled_ = Value;
    UpdateLinks();
}

void TDataSource::UpdateLinks() {
    for (TDataLink* l : std::vector<TDataLink*>(links_)) l->UpdateState();
    if (OnStateChange) OnStateChange(this);
}

TDataSetState TDataSource::State() const { return dataSet_ ? dataSet_->State() : dsInactive; }

void TDataSource::Edit() {
    if (autoEdit_ && dataSet_ && dataSet_->State() == dsBrowse) dataSet_->Edit();
}

void TDataSource::DataEvent(TDataEvent Event, intptr_t Info) {
    if (Event == deUpdateState) {
        UpdateLinks();
        return;
    }
    if (!enabled_) return;
    for (TDataLink* l : std::vector<TDataLink*>(links_)) l->DataEvent(Event, Info);
    if (Event == deUpdateRecord) {
        if (OnUpdateData) OnUpdateData(this);
    } else if (OnDataChange && (Event == deFieldChange || Event == deRecordChange ||
                                Event == deDataSetChange || Event == deDataSetScroll)) {
        OnDataChange(this, Event == deFieldChange ? reinterpret_cast<TField*>(Info) : nullptr);
    }
}
