#pragma once
// ADO over SQLite: the system keeps its Jet connection string and its SQL texts, and this unit
// runs them against the SQLite file named by the string's Data Source.
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "DB.h"

struct sqlite3;
struct sqlite3_stmt;

// An error reported by SQLite. Message says it in German, as the user reads it (naming the file where
// the file is the trouble); Detail keeps SQLite's own English words for the debug log.
class EADOError : public EDatabaseError {
public:
    EADOError(AnsiString message, int code, AnsiString detail = AnsiString())
        : EDatabaseError(std::move(message)), ErrorCode(code), Detail(std::move(detail)) {}
    int ErrorCode;   // SQLite's extended result code, or EmptyFile
    AnsiString Detail;
    // A database file of no bytes, which is refused rather than made into a database.
    static constexpr int EmptyFile = -1;
};

enum TConnectMode {
    cmUnknown, cmRead, cmWrite, cmReadWrite, cmShareDenyRead, cmShareDenyWrite, cmShareExclusive,
    cmShareDenyNone
};
enum TCursorLocation { clUseServer, clUseClient };
enum TCursorType { ctUnspecified, ctOpenForwardOnly, ctKeyset, ctDynamic, ctStatic };
enum TADOLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };
enum TCommandType { cmdUnknown, cmdText, cmdTable, cmdStoredProc, cmdFile, cmdTableDirect };

class TCustomADODataSet;

class TADOConnection : public TComponent {
public:
    explicit TADOConnection(TComponent* AOwner);
    ~TADOConnection() override;

    // "Data Source" names the database file; "Mode" (Read, Write, ReadWrite, Share ...) says
    // whether it may be written. Other elements are kept but mean nothing to SQLite.
    const AnsiString& ConnectionString() const { return connectionString_; }
    void SetConnectionString(const AnsiString& Value);   // closes an open connection
    // The value of one element of the connection string ("" when absent), quotes removed.
    AnsiString ConnectionStringValue(const AnsiString& Name) const;

    TConnectMode Mode() const { return mode_; }
    void SetMode(TConnectMode Value) { mode_ = Value; }
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool Value) { loginPrompt_ = Value; }
    // When false, the connection closes once its last data set closes; it opens again on demand.
    bool KeepConnection() const { return keepConnection_; }
    void SetKeepConnection(bool Value) { keepConnection_ = Value; }
    TCursorLocation CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(TCursorLocation Value) { cursorLocation_ = Value; }

    // Opens the file named by Data Source. A missing file raises EDatabaseError and is never
    // created; an empty file or one that is not an SQLite database raises EADOError and is left
    // as it is. The file's journal mode is never changed (a shared folder on a network file system
    // or a read-only folder cannot hold a WAL database). The connection waits up to BusyTimeout for
    // another program's lock, then the statement fails (EADOError with SQLITE_BUSY).
    void Open();
    void Close();
    bool Connected() const { return db_ != nullptr; }
    void SetConnected(bool Value) { if (Value) Open(); else Close(); }
    // Opened read-only (Mode cmRead, Mode=Read in the string, or a file or folder that cannot be
    // written).
    bool ReadOnly() const { return readOnly_; }
    // The database file of Data Source, as opened.
    const AnsiString& FileName() const { return fileName_; }

    // Runs one statement (Jet SQL) and returns the number of rows it changed. Parameters are the
    // values of its placeholders (`?` or `:name`), in order; they are bound, never written into the text.
    int Execute(const AnsiString& CommandText, const std::vector<Variant>& Parameters = {});

    // Milliseconds; applies at once to an open connection. A thread that must not wait long (the
    // main thread, whose window would stand still) sets a short one and tries again later.
    static constexpr int DefaultBusyTimeout = 5000;
    int BusyTimeout() const { return busyTimeout_; }
    void SetBusyTimeout(int Milliseconds);

    // Milliseconds one statement may run before it is stopped and fails (EADOError with
    // SQLITE_INTERRUPT), whatever the database holds; 0 for no limit. A statement that reads a view
    // instead of a table fails at once (SQLITE_AUTH): the program reads only real tables.
    static constexpr int DefaultStatementTimeout = 5000;
    int StatementTimeout() const { return statementTimeout_; }
    void SetStatementTimeout(int Milliseconds);

    // Bytes one value may hold, and all values of one statement's answer together. A shared
    // database can hold, or compute in a generated column, a value of any size in one step that
    // the time limit cannot stop; a statement that meets a larger value or answer fails (EADOError
    // with SQLITE_TOOBIG) like any statement that cannot be read. SQLite's own memory is held to
    // MaxHeapBytes for the whole process besides.
    static constexpr int MaxValueBytes = 4 * 1024 * 1024;
    static constexpr long long MaxAnswerBytes = 64 * 1024 * 1024;
    static constexpr long long MaxHeapBytes = 512LL * 1024 * 1024;

    sqlite3* Handle() const { return db_; }

private:
    friend class TCustomADODataSet;
    void Register(TCustomADODataSet* ds);
    void Unregister(TCustomADODataSet* ds);
    void CheckDisconnect();
    AnsiString connectionString_;
    AnsiString fileName_;
    TConnectMode mode_ = cmUnknown;
    bool loginPrompt_ = true;
    bool keepConnection_ = true;
    bool readOnly_ = false;
    TCursorLocation cursorLocation_ = clUseClient;
    int busyTimeout_ = DefaultBusyTimeout;
    int statementTimeout_ = DefaultStatementTimeout;
    sqlite3* db_ = nullptr;
    std::vector<TCustomADODataSet*> dataSets_;
};

class TCustomADODataSet : public TDataSet {
public:
    explicit TCustomADODataSet(TComponent* AOwner);
    ~TCustomADODataSet() override;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* Value);
    // A data set without Connection opens its own connection from this string.
    const AnsiString& ConnectionString() const;
    void SetConnectionString(const AnsiString& Value);

    const AnsiString& CommandText() const { return commandText_; }
    void SetCommandText(const AnsiString& Value);   // closes an open data set
    // The values bound to the statement's placeholders (`?` or `:name`), in order; a date goes in as
    // its day number. Closes an open data set.
    const std::vector<Variant>& Parameters() const { return parameters_; }
    void SetParameters(std::vector<Variant> Values);
    TCommandType CommandType() const { return commandType_; }
    void SetCommandType(TCommandType Value) { Close(); commandType_ = Value; }
    // A forward-only cursor on the server (CursorLocation clUseServer, CursorType ctOpenForwardOnly)
    // makes the data set unidirectional: its rows are read from SQLite as it moves on, never held
    // together, and it changes nothing. Otherwise it holds its whole result. Each closes an open
    // data set. The statement's time limit counts from Open to the last row.
    TCursorLocation CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(TCursorLocation Value);
    TCursorType CursorType() const { return cursorType_; }
    void SetCursorType(TCursorType Value);
    TADOLockType LockType() const { return lockType_; }
    void SetLockType(TADOLockType Value) { lockType_ = Value; }

    // Writable: open, not locked read-only, on a writable connection, and its fields come from
    // one table whose rows can be found again (by rowid, or by a primary key among the fields).
    bool CanModify() const override;
    void Requery() { Refresh(); }

protected:
    void InternalOpen(std::vector<TFieldDef>& FieldDefs) override;
    void InternalClose() override;
    void InternalPost(bool Inserting, const std::vector<Variant>& OldValues, std::vector<Variant>& Values,
                      const std::vector<bool>& Changed, std::int64_t& RowKey) override;
    void InternalDelete(const std::vector<Variant>& Values, std::int64_t RowKey) override;
    bool InternalFetch(std::vector<Variant>& Values) override;
    // The SQL to run; a query takes it from its SQL lines.
    virtual AnsiString SourceText() const { return commandText_; }
    // The connection to run on, opened; raises when there is none.
    TADOConnection* ActiveConnection();

private:
    friend class TADOConnection;
    std::string WhereRow(const std::vector<Variant>& Values, std::int64_t RowKey, std::vector<Variant>& binds) const;
    void Reload(std::vector<Variant>& Values, const std::string& where, const std::vector<Variant>& binds);
    void ConnectionClosing();

    TADOConnection* connection_ = nullptr;
    std::unique_ptr<TADOConnection> ownConnection_;
    AnsiString commandText_;
    std::vector<Variant> parameters_;
    TCommandType commandType_ = cmdText;
    TCursorLocation cursorLocation_ = clUseClient;
    TCursorType cursorType_ = ctKeyset;
    TADOLockType lockType_ = ltOptimistic;

    // How posted records reach the table.
    std::string table_;                    // empty: not updatable
    std::vector<std::string> origins_;     // column of table_ per field ("" for expressions)
    std::vector<int> keyFields_;           // fields of the primary key, when rows are found by it
    bool byRowid_ = false;

    // The running statement of a forward-only cursor, and whether it has given its last row.
    sqlite3_stmt* cursor_ = nullptr;
    bool cursorDone_ = false;
};

class TADODataSet : public TCustomADODataSet {
public:
    explicit TADODataSet(TComponent* AOwner) : TCustomADODataSet(AOwner) {}
};

class TADOQuery : public TCustomADODataSet {
public:
    explicit TADOQuery(TComponent* AOwner);
    TStrings* SQL() { return &sql_; }
    // Runs the SQL as a command with the Parameters; returns the number of rows changed.
    int ExecSQL();
    int RowsAffected() const { return rowsAffected_; }

protected:
    AnsiString SourceText() const override { return sql_.Text(); }

private:
    TStringList sql_;
    int rowsAffected_ = -1;
};

class TADOCommand : public TComponent {
public:
    explicit TADOCommand(TComponent* AOwner);
    ~TADOCommand() override;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* Value);
    const AnsiString& ConnectionString() const;
    void SetConnectionString(const AnsiString& Value);
    const AnsiString& CommandText() const { return commandText_; }
    void SetCommandText(const AnsiString& Value) { commandText_ = Value; }
    // The values bound to the placeholders of CommandText, in order.
    const std::vector<Variant>& Parameters() const { return parameters_; }
    void SetParameters(std::vector<Variant> Values) { parameters_ = std::move(Values); }
    TCommandType CommandType() const { return commandType_; }
    void SetCommandType(TCommandType Value) { commandType_ = Value; }

    // Runs the one statement of CommandText with the Parameters; returns the number of rows it changed.
    int Execute();

private:
    TComponentRef<TADOConnection> connection_{this};
    std::unique_ptr<TADOConnection> ownConnection_;
    AnsiString commandText_;
    std::vector<Variant> parameters_;
    TCommandType commandType_ = cmdText;
};
