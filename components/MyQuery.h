#pragma once
// The MySQL query dataset: runs a statement, holds its rows, writes changed rows back.
#include "components/CustomConnection.h"
#include "components/MyDataSetUpdater.h"
#include "components/MySQLGenerator.h"
#include "components/StringList.h"
#include "dataset/MemDataSet.h"
#include "dataset/Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class TMyConnection;
class TMySQLCommand;
class TMySQLRecordSet;

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
  // After an INSERT whose reply was lost: whether the row it sent is in the table, looked up by
  // the key it was sent with and holding the values posted. False when there is no such row or the
  // key has changed since (another row is meant now); raises when the row found holds other values
  // or the table has no key to look it up by.
  bool InsertOfUnknownOutcomeStored(const TUpdateContext& context);
  const TKeyAndDataFields& KeyAndDataFields();
  // The updating table as the generated statements name it.
  std::string TableInStatement(const TTableInfo& table) const;
  // The information_schema condition that names the table.
  std::string SchemaCondition(const TTableInfo& table) const;
  // The 0x1E-separated entries of the one value an information_schema query gives; nullopt when
  // it cannot be read (a fatal error is raised).
  std::optional<std::vector<std::string>> SchemaList(const std::string& query);
  // The table's primary and unique keys, asked of the server once.
  std::vector<TTableKey> TableKeys(const TTableInfo& table);
  // The table's columns the server fills in when a row leaves them out (a default other than NULL,
  // a generated or auto-updated value), asked of the server once.
  const std::set<std::string>& ColumnsFilledByServer(const TTableInfo& table);
  // After an INSERT that left such columns out: what the server stored there, so that the dataset
  // shows what the table holds.
  void ReadBackFilledColumns(const TUpdateContext& context, const TKeyAndDataFields& fields);
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
  std::map<std::string, std::vector<TTableKey>> FTableKeys;
  std::map<std::string, std::set<std::string>> FColumnsFilledByServer;
  TInsertStatementCache FInsertStatement;
  std::uint64_t FLastInsertId = 0;
  bool FExecuting = false;
  // The key values of the pending row's last INSERT, when its outcome is unknown.
  std::optional<std::vector<TValue>> FUnknownInsertKey;
};
