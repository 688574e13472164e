#pragma once
// The MySQL query dataset: runs a statement, holds its rows, writes changed rows back.
#include "components/CustomConnection.h"
#include "components/MyDataSetUpdater.h"
#include "components/MySQLGenerator.h"
#include "components/StringList.h"
#include "components/UnknownOutcome.h"
#include "dataset/MemDataSet.h"
#include "dataset/Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class TMyConnection;
class TMySQLCommand;
class TMySQLRecordSet;
struct TMySqlBinds;

struct TMyDataSetOptions {
  bool FieldsAsString = false;
  bool NullForZeroDate = true;
  bool EnableBoolean = true;
  bool BinaryAsString = true;
  bool LongStrings = true;
  bool FlatBuffers = false;
  bool TrimFixedChar = true;
  bool SetEmptyStrToNull = false;
  bool RequiredFields = false;
  bool SetFieldsReadOnly = false;
  bool StrictUpdate = true;
  bool QuoteNames = false;
  bool UpdateAllFields = false;
};

// A dataset that runs one statement on a MySQL connection, holds its rows in memory as typed
// fields, and writes inserted, changed and deleted rows back as generated statements.
class TMyQuery : public TMemDataSet, public TConnectionClient {
 public:
  using TUpdateExecuteEvent = std::function<void(TDataSet&, TStatementType, const std::string&)>;
  using TNoticeEvent = std::function<void(TDataSet&, const std::string&)>;

  TMyQuery();
  ~TMyQuery() override;

  TMyConnection* Connection() const { return FConnection; }
  void SetConnection(TMyConnection* connection);
  // Any change of the text closes the dataset and forgets what was learnt about its fields.
  TStringList& SQL() { return FSQL; }

  bool FetchAll() const { return FFetchAll; }
  // True also reads the remaining rows of an open dataset at once.
  void SetFetchAll(bool value);
  int FetchRows() const { return FFetchRows; }
  // 1..65535, only while closed.
  void SetFetchRows(int value);
  bool ReadOnly = false;
  const std::string& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const std::string& value);
  const std::string& UpdatingTable() const { return FUpdatingTable; }
  void SetUpdatingTable(const std::string& value);
  int CommandTimeout = 0;
  TMyDataSetOptions Options;

  TDataSetNotifyEvent BeforeExecute, AfterExecute;
  // Told the generated statement (with its placeholders) around each write.
  TUpdateExecuteEvent BeforeUpdateExecute, AfterUpdateExecute;
  // Told, with the reason, when a post succeeded but the row on screen may differ from the one
  // stored (what the server filled in could not be read back, or the row found holds other
  // values): the row is to be refreshed.
  TNoticeEvent OnRefreshAdvised;

  // Runs the statement; leaves the dataset open when it returns rows.
  void Execute();
  void ExecSQL() { Execute(); }
  std::int64_t RowsAffected() const;
  std::uint64_t LastInsertId() const { return FLastInsertId; }

  bool CanModify() const override;
  void ConnectChange(bool connecting) override;
  bool BlocksReconnect() const override;
  void ConnectionDestroyed() override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool FetchMore() override;
  void InternalRefresh() override;
  void InternalInsert(std::size_t position) override;
  void ApplyRecordUpdate() override;
  void ApplyRecordDelete() override;
  void StoreFieldValue(TField& field, const TValue& nativeValue) override;

 private:
  void BeginConnection();
  TMySQLRecordSet& RecordSet();
  // Executes (unless a result is pending) and reads the rows with the current options.
  void ReadResult();
  void WriteChange(TStatementType type);
  // Runs the prepared update statement, once more after a deadlock outside a transaction.
  void ExecuteUpdateCommand();
  // Without a key, when columns that cannot be compared exactly are left out of the condition:
  // refuses the change when the condition finds rows that differ in them.
  void RefuseRowsNotToldApart(const TUpdateContext& context);
  const TKeyAndDataFields& KeyAndDataFields();
  // The updating table as the generated statements name it, named again only when the current
  // database or the quoting changes.
  const std::string& TableInStatement(const TTableInfo& table);
  std::string NameTable(const TTableInfo& table) const;
  // The information_schema condition that names the table.
  std::string SchemaCondition(const TTableInfo& table) const;
  // Runs one of the component's own queries (text in the session's code page when encoded) with
  // the command time-out, handing each row to take.
  void OwnQuery(const std::string& text, bool encoded, const std::function<void(const TMySqlBinds&)>& take);
  // A generated look-up's first value, empty for no row or NULL.
  std::string LookUp(const TGeneratedStatement& statement, const TUpdateContext& context);
  // The rows of an information_schema query, each value as text; nullopt when it cannot be read
  // (a fatal error is raised).
  std::optional<std::vector<std::vector<std::string>>> SchemaRows(const std::string& query);
  // The table's primary and unique keys, asked of the server once.
  std::vector<TTableKey> TableKeys(const TTableInfo& table);
  // The table's columns the server fills in when a row leaves them out (a default other than NULL,
  // a generated or auto-updated value), asked of the server once.
  const std::set<std::string>& ColumnsFilledByServer(const TTableInfo& table);
  // After an INSERT that left such columns out: what the server stored there, so that the dataset
  // shows what the table holds, when the row found holds the values posted. Else, or when it
  // cannot be read, the posted values stay and a refresh is advised.
  void ReadBackFilledColumns(const TUpdateContext& context, const TKeyAndDataFields& fields,
                             const std::set<std::string>& filledByServer);
  void AdviseRefresh(const std::string& reason);
  // Drops what was derived from the field descriptions, before they change.
  void ForgetKeyAndDataFields();
  void SQLChanged();

  TMyConnection* FConnection = nullptr;
  TStringList FSQL;
  bool FFetchAll = true;
  int FFetchRows = 25;
  std::string FKeyFields, FUpdatingTable;
  std::unique_ptr<TMySQLRecordSet> FRecordSet;
  std::unique_ptr<TMySQLCommand> FUpdateCommand;
  std::optional<TKeyAndDataFields> FKeyAndData;
  // Database and table apart: either name may hold a dot.
  using TTableName = std::pair<std::string, std::string>;
  std::map<TTableName, std::vector<TTableKey>> FTableKeys;
  std::map<TTableName, std::set<std::string>> FColumnsFilledByServer;
  TInsertStatementCache FInsertStatement;
  // Kept with the key and data fields, for the updating table they name.
  struct TNamedTable {
    std::string Name, CurrentDatabase;
    bool QuoteNames = false;
  };
  std::optional<TNamedTable> FNamedTable;
  const std::set<std::string>* FFilledByServer = nullptr;  // into FColumnsFilledByServer
  // What the statements are built from, kept from row to row so that its lists and texts keep
  // their room instead of being copied anew for each post.
  TUpdateContext FUpdateContext;
  // The change being sent, taken before sending (see WriteChange); kept for its room too.
  TUnknownOutcome FSending;
  std::uint64_t FLastInsertId = 0;
  bool FExecuting = false;
  TUnknownOutcome FUnknownOutcome;
};
