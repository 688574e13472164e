#include "components/MyQuery.h"

#include "components/MyConnection.h"
#include "components/RowIdentity.h"
#include "components/SqlLiterals.h"
#include "dataset/DAError.h"
#include "dataset/RecordValues.h"
#include "driver/MySQLCommand.h"
#include "driver/MySQLConnection.h"
#include "driver/MySQLRecordSet.h"

#include <algorithm>
#include <exception>

namespace {

// The server's deadlock, also a cluster's certification conflict; the statement was rolled back.
constexpr int ER_LOCK_DEADLOCK = 1213;

bool SameLayout(const TFieldDescs& a, const TFieldDescs& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].Name != b[i].Name || a[i].DataType != b[i].DataType || a[i].Length != b[i].Length) return false;
  return true;
}

}  // namespace

TMyQuery::TMyQuery() {
  FSQL.OnChange = [this] { SQLChanged(); };
}

TMyQuery::~TMyQuery() {
  try {
    Close();
  } catch (...) {
  }
  if (FConnection) FConnection->UnRegisterClient(this);
}

void TMyQuery::SetConnection(TMyConnection* connection) {
  if (connection == FConnection) return;
  Close();
  if (FConnection) FConnection->UnRegisterClient(this);
  FRecordSet.reset();
  FUpdateCommand.reset();
  FConnection = connection;
}

void TMyQuery::SQLChanged() {
  Close();
  ForgetKeyAndDataFields();
}

void TMyQuery::SetFetchAll(bool value) {
  FFetchAll = value;
  if (value && Active())
    while (FetchMore()) {
    }
}

void TMyQuery::SetFetchRows(int value) {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
  if (value < 1 || value > 65535) throw EDatabaseError("FetchRows must be 1..65535");
  FFetchRows = value;
}

void TMyQuery::SetKeyFields(const std::string& value) {
  FKeyFields = value;
  ForgetKeyAndDataFields();
}

void TMyQuery::SetUpdatingTable(const std::string& value) {
  FUpdatingTable = value;
  ForgetKeyAndDataFields();
}

void TMyQuery::BeginConnection() {
  if (!FConnection) throw EDatabaseError("Connection is not defined");
  if (!FConnection->Connected()) {
    if (!FConnection->Options.AllowImplicitConnect) throw EDatabaseError("Connection is not connected");
    FConnection->Connect();
  }
  FConnection->RegisterClient(this);
}

TMySQLRecordSet& TMyQuery::RecordSet() {
  if (!FRecordSet) {
    FRecordSet = std::make_unique<TMySQLRecordSet>(*FConnection->MySQLConnection(), Data());
    FRecordSet->Command().Component = this;
  }
  return *FRecordSet;
}

std::int64_t TMyQuery::RowsAffected() const {
  return FRecordSet ? FRecordSet->Command().RowsAffected() : 0;
}

void TMyQuery::ReadResult() {
  TMySQLRecordSet& recordSet = RecordSet();
  TMySQLCommand& command = recordSet.Command();
  if (!command.SQLResult()) {
    if (BeforeExecute) BeforeExecute(*this);
    command.SQL = FSQL.Text();
    command.CommandTimeout = CommandTimeout;
  }
  recordSet.Mapping.FieldsAsString = Options.FieldsAsString;
  recordSet.Mapping.EnableBoolean = Options.EnableBoolean;
  recordSet.Mapping.BinaryAsString = Options.BinaryAsString;
  recordSet.Mapping.LongStrings = Options.LongStrings;
  recordSet.Mapping.FlatBuffers = Options.FlatBuffers;
  recordSet.Mapping.EnableBCD = FConnection->Options.EnableBCD;
  recordSet.Mapping.EnableFMTBCD = FConnection->Options.EnableFMTBCD;
  recordSet.Mapping.OptimizedBigInt = FConnection->Options.OptimizedBigInt;
  recordSet.Conversion.NullForZeroDate = Options.NullForZeroDate;
  recordSet.Conversion.NullForZeroBaseDate = FConnection->Options.NullForZeroBaseDate;
  recordSet.Conversion.TrimFixedChar = Options.TrimFixedChar;
  recordSet.FetchRows = FFetchRows;
  if (!recordSet.Open()) throw EDatabaseError("SQL statement doesn't return rows");
  if (FFetchAll)
    while (recordSet.Fetch()) {
    }
  else
    recordSet.Fetch();
}

void TMyQuery::InternalOpen() {
  BeginConnection();
  if (FSQL.Count() == 0) throw EDatabaseError("No SQL statement provided");
  try {
    ReadResult();
    CreateFields();
  } catch (...) {
    if (FRecordSet) FRecordSet->Close();
    Data().ClearRecords();
    throw;
  }
  for (const auto& field : Fields()) field->Required = Options.RequiredFields && DescOf(*field).Required;
}

void TMyQuery::InternalClose() {
  std::exception_ptr laterResultError;  // raised once the rest is closed too
  try {
    if (FRecordSet) FRecordSet->Close();
  } catch (...) {
    laterResultError = std::current_exception();
  }
  ForgetKeyAndDataFields();
  FUnknownOutcome.RowsReadAgain();
  TMemDataSet::InternalClose();
  if (laterResultError) std::rethrow_exception(laterResultError);
}

bool TMyQuery::FetchMore() {
  if (!FRecordSet || FRecordSet->FetchedAll()) return false;
  return FRecordSet->Fetch();
}

void TMyQuery::Execute() {
  if (FExecuting) return;
  FExecuting = true;
  try {
    BeginConnection();
    Close();
    if (FSQL.Count() == 0) throw EDatabaseError("No SQL statement provided");
    TMySQLCommand& command = RecordSet().Command();
    if (BeforeExecute) BeforeExecute(*this);
    command.SQL = FSQL.Text();
    command.CommandTimeout = CommandTimeout;
    command.RequestResultset = true;
    command.Execute();
    if (command.SQLResult()) Open();
    if (AfterExecute) AfterExecute(*this);
  } catch (...) {
    FExecuting = false;
    throw;
  }
  FExecuting = false;
}

bool TMyQuery::CanModify() const {
  if (!Active() || ReadOnly) return false;
  for (const auto& field : Fields())
    if (!field->ReadOnly) return true;
  return false;
}

void TMyQuery::ConnectChange(bool connecting) {
  if (!connecting) Close();
}

void TMyQuery::ConnectionDestroyed() {
  Close();
  FRecordSet.reset();
  FUpdateCommand.reset();
  FConnection = nullptr;
}

bool TMyQuery::BlocksReconnect() const {
  return Active() && FRecordSet && !FRecordSet->FetchedAll();
}

void TMyQuery::ForgetKeyAndDataFields() {
  FKeyAndData.reset();
  FNamedTable.reset();
  FFilledByServer = nullptr;
  FInsertStatement.Clear();
}

const TKeyAndDataFields& TMyQuery::KeyAndDataFields() {
  if (!FKeyAndData)
    FKeyAndData = FillKeyAndDataFields(Data(), FUpdatingTable, FKeyFields, Name, Options.SetFieldsReadOnly,
                                       [this](const TTableInfo& table) { return TableKeys(table); });
  return *FKeyAndData;
}

const std::string& TMyQuery::TableInStatement(const TTableInfo& table) {
  const std::string& currentDatabase = FConnection->MySQLConnection()->CurrentDatabase();
  if (!FNamedTable || FNamedTable->QuoteNames != Options.QuoteNames || FNamedTable->CurrentDatabase != currentDatabase)
    FNamedTable = TNamedTable{NameTable(table), currentDatabase, Options.QuoteNames};
  return FNamedTable->Name;
}

std::string TMyQuery::NameTable(const TTableInfo& table) const {
  if (table.NamedByProgram) return QuoteName(table.FullName, Options.QuoteNames);
  // Names the server reported are identifiers whatever they hold: never split at a dot or taken as
  // already quoted. A table of another database is named with it, so that the write cannot reach
  // the table of the same name in the connection's own database.
  std::string name = QuoteIdentifier(table.TableName, Options.QuoteNames);
  if (!table.Database.empty() && table.Database != FConnection->MySQLConnection()->CurrentDatabase())
    name = QuoteIdentifier(table.Database, Options.QuoteNames) + "." + name;
  return name;
}

std::string TMyQuery::SchemaCondition(const TTableInfo& table) const {
  const bool backslashes = FConnection->MySQLConnection()->NeedBackslashes();
  const std::string schema = table.Database.empty() ? "DATABASE()" : QuotedString(table.Database, backslashes);
  return "TABLE_SCHEMA = " + schema + " AND TABLE_NAME = " + QuotedString(table.TableName, backslashes);
}

void TMyQuery::OwnQuery(const std::string& text, bool encoded, const std::function<void(const TMySqlBinds&)>& take) {
  TMySQLCommand read(*FConnection->MySQLConnection());
  read.OwnStatement = true;
  read.Component = this;
  read.SQL = text;
  read.SQLEncoded = encoded;
  read.CommandTimeout = CommandTimeout;
  read.RequestResultset = true;
  read.Execute();
  if (TMySqlResultSet* result = read.SQLResult()) {
    while (const TMySqlBinds* row = TMySQLConnection::API().mysql_fetch_row(result)) take(*row);
    read.FreeResult();
  }
}

std::string TMyQuery::LookUp(const TGeneratedStatement& statement, const TUpdateContext& context) {
  TMySQLConnection& session = *FConnection->MySQLConnection();
  std::string value;
  OwnQuery(PlaceParamValues(statement, context, false, session.NeedBackslashes(), session.SpeaksAnsi()), true,
           [&](const TMySqlBinds& row) {
             if (value.empty() && !row.Slots.empty() && !row.Slots[0].IsNull) value = row.Value(0);
           });
  return value;
}

std::optional<std::vector<std::vector<std::string>>> TMyQuery::SchemaRows(const std::string& query) {
  std::vector<std::vector<std::string>> rows;
  try {
    OwnQuery(FConnection->MySQLConnection()->WithoutClusterWait(query), false, [&](const TMySqlBinds& row) {
      std::vector<std::string>& values = rows.emplace_back();
      for (std::size_t i = 0; i < row.Slots.size(); ++i) values.emplace_back(row.Value(i));
    });
  } catch (const EDAError& error) {
    if (error.IsFatalError()) throw;
    return std::nullopt;
  }
  return rows;
}

std::vector<TTableKey> TMyQuery::TableKeys(const TTableInfo& table) {
  // Keys are learnt once per table and session; without a session they stay unknown for now.
  const TTableName cacheKey{table.Database, table.TableName};
  if (auto found = FTableKeys.find(cacheKey); found != FTableKeys.end()) return found->second;
  if (!FConnection || !FConnection->Connected()) return {};
  // Rows still pending would stand between the question and its answer.
  while (FetchMore()) {
  }
  // One row a key column: a name may hold any character, and an aggregate would be cut at its
  // length limit.
  const auto listed =
      SchemaRows("SELECT INDEX_NAME, COLUMN_NAME FROM information_schema.STATISTICS WHERE NON_UNIQUE = 0 AND " +
                 SchemaCondition(table) + " ORDER BY INDEX_NAME <> 'PRIMARY', INDEX_NAME, SEQ_IN_INDEX");
  if (!listed) return {};  // keys that cannot be read: rows are found by all their columns
  std::vector<TTableKey> keys;
  const std::string* lastIndex = nullptr;
  for (const std::vector<std::string>& row : *listed) {
    if (row.size() != 2) continue;
    if (!lastIndex || row[0] != *lastIndex) keys.emplace_back();
    keys.back().Columns.push_back(row[1]);
    lastIndex = &row[0];
  }
  return FTableKeys[cacheKey] = keys;
}

const std::set<std::string>& TMyQuery::ColumnsFilledByServer(const TTableInfo& table) {
  const TTableName cacheKey{table.Database, table.TableName};
  if (auto found = FColumnsFilledByServer.find(cacheKey); found != FColumnsFilledByServer.end()) return found->second;
  // MariaDB shows a NULL default as the text NULL, a text default in quotes. Columns that cannot be
  // read leave none: the dataset shows NULL there, as before.
  std::set<std::string>& columns = FColumnsFilledByServer[cacheKey];
  const auto listed = SchemaRows("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE " + SchemaCondition(table) +
                                 " AND (IFNULL(COLUMN_DEFAULT, 'NULL') <> 'NULL' OR EXTRA <> '')");
  if (listed)
    for (const std::vector<std::string>& row : *listed)
      if (!row.empty()) columns.insert(row[0]);
  return columns;
}

void TMyQuery::AdviseRefresh(const std::string& reason) {
  if (OnRefreshAdvised) OnRefreshAdvised(*this, reason);
}

void TMyQuery::ReadBackFilledColumns(const TUpdateContext& context, const TKeyAndDataFields& fields,
                                     const std::set<std::string>& filledByServer) {
  if (fields.TableIndex < 0 || context.UpdateAllFields || context.KeyFields.empty() || filledByServer.empty() ||
      !FRecordSet)
    return;
  auto leftOut = [&](const TFieldDesc* desc) { return IsFieldNull(Data(), context.NewRecord, *desc); };
  // Without a whole key the row cannot be found again.
  if (std::any_of(context.KeyFields.begin(), context.KeyFields.end(), leftOut)) return;
  std::vector<const TFieldDesc*> columns;
  for (const TFieldDesc* desc : context.DataFields)
    if (desc != fields.IdentityField && leftOut(desc) && filledByServer.contains(desc->ActualName))
      columns.push_back(desc);
  if (columns.empty()) return;
  TMySQLConnection& session = *FConnection->MySQLConnection();
  bool found = false;
  OwnQuery(PlaceParamValues(GenerateColumnsRead(context, columns, filledByServer), context, false,
                            session.NeedBackslashes(), session.SpeaksAnsi()),
           true, [&](const TMySqlBinds& row) {
             // The last value tells whether the row holds what was posted: a trigger may have
             // changed the key or a value, and then this is another row.
             if (found || row.Slots.size() != columns.size() + 1) return;
             found = true;
             if (row.Value(columns.size()) != "1") return;
             for (std::size_t i = 0; i < columns.size(); ++i)
               FRecordSet->StoreValue(const_cast<char*>(context.NewRecord), *columns[i], row.Value(i),
                                      row.Slots[i].IsNull);
             columns.clear();
           });
  if (!found)
    AdviseRefresh(
        "The row was stored, but no row with its key was found to read back what the server filled in; "
        "refresh to see what is stored.");
  else if (!columns.empty())
    AdviseRefresh(
        "The row was stored, but the row its key finds holds other values than those posted (a trigger "
        "may have changed them); refresh to see what is stored.");
}

void TMyQuery::WriteChange(TStatementType type) {
  // The look-ups before the write change nothing: a failure among them leaves no outcome open.
  // What a step returns by reference is handed on as that reference, not copied.
  const auto beforeSending = [](const auto& step) -> decltype(auto) {
    try {
      return step();
    } catch (EDAError& error) {
      error.StatementMayHaveRun = error.StatementMayStillRun = false;
      throw;
    }
  };
  const TKeyAndDataFields& fields = beforeSending([this]() -> const TKeyAndDataFields& {
    const TKeyAndDataFields& learnt = KeyAndDataFields();
    // Rows still pending would stand between the statements below and their replies.
    while (FetchMore()) {
    }
    // The table is named, and texts escaped, for the session as it is now.
    FConnection->MySQLConnection()->LearnSessionStateIfUnsure(CommandTimeout);
    return learnt;
  });
  TMySQLConnection& session = *FConnection->MySQLConnection();
  TUpdateContext& context = FUpdateContext;
  context.Data = &Data();
  if (fields.TableIndex >= 0)
    context.Table = TableInStatement(Data().Tables[static_cast<std::size_t>(fields.TableIndex)]);
  else
    context.Table.clear();
  context.KeyFields = fields.KeyFieldDescs;
  context.DataFields = fields.DataFieldDescs;
  context.OldRecord = OldRecord();
  context.NewRecord = type == stDelete ? OldRecord() : ActiveRecord();
  context.QuoteNames = Options.QuoteNames;
  context.UpdateAllFields = Options.UpdateAllFields;
  context.Charset = session.WireCharset();

  TGeneratedStatement generated;
  const TGeneratedStatement& statement =
      type == stInsert ? FInsertStatement.For(context) : (generated = GenerateStatement(type, context));
  if (statement.Text.empty()) {
    if (type == stUpdate && fields.TableIndex >= 0) return;  // nothing changed: nothing to send
    if (Options.StrictUpdate) throw EDatabaseError("Update failed. Found 0 records");
    return;
  }
  // What the server fills in a row is learnt before the row is sent: once the server has stored
  // it, no failure of a look-up may turn the post into an error.
  static const std::set<std::string> noColumns;
  // Only a row a key finds again is read back or looked up.
  const bool leavesColumnsOut =
      type == stInsert && fields.TableIndex >= 0 && !context.UpdateAllFields && !context.KeyFields.empty() &&
      std::any_of(context.DataFields.begin(), context.DataFields.end(),
                  [&](const TFieldDesc* desc) { return IsFieldNull(Data(), context.NewRecord, *desc); });
  const std::set<std::string>& filledByServer = beforeSending([&]() -> const std::set<std::string>& {
    if (!leavesColumnsOut) return noColumns;
    if (!FFilledByServer)
      FFilledByServer = &ColumnsFilledByServer(Data().Tables[static_cast<std::size_t>(fields.TableIndex)]);
    return *FFilledByServer;
  });
  const bool madeBefore = beforeSending([&] {
    return FUnknownOutcome.TookEffect(
        type, context, filledByServer,
        [this](const TGeneratedStatement& s, const TUpdateContext& c) { return LookUp(s, c); });
  });
  if (madeBefore) return;
  if (type != stInsert) beforeSending([&] { RefuseRowsNotToldApart(context); });
  if (!FUpdateCommand) {
    FUpdateCommand = std::make_unique<TMySQLCommand>(session);
    FUpdateCommand->Component = this;
    FUpdateCommand->OwnStatement = true;
  }
  PlaceParamValues(FUpdateCommand->SQL, statement, context, type == stInsert, session.NeedBackslashes(),
                   session.SpeaksAnsi());
  FUpdateCommand->SQLEncoded = true;
  FUpdateCommand->CommandTimeout = CommandTimeout;
  if (BeforeUpdateExecute) BeforeUpdateExecute(*this, type, statement.Text);
  // Taken before sending: a lost session may close the dataset on the way out, and with it go
  // its records and key descriptions, which nothing may touch afterwards.
  FSending.Remember(type, context);
  try {
    ExecuteUpdateCommand();
  } catch (const EDAError& error) {
    if (error.StatementMayHaveRun) FUnknownOutcome = FSending;
    throw;
  }
  const std::int64_t rows = FUpdateCommand->RowsAffected();
  if (AfterUpdateExecute) AfterUpdateExecute(*this, type, statement.Text);
  if (Options.StrictUpdate && rows != 1)
    throw EDatabaseError(FormatMessage("Update failed. Found %lld records", static_cast<long long>(rows)));
  if (type != stInsert) return;
  FLastInsertId = FUpdateCommand->LastInsertId();
  // The id is the server's unsigned 64-bit number; a signed column holds it as its own value
  // (-1 arrives as 2^64 - 1).
  if (fields.IdentityField && FLastInsertId != 0)
    WriteFieldValue(
        Data(), const_cast<char*>(ActiveRecord()), *fields.IdentityField,
        fields.IdentityField->IsUnsigned ? TValue(FLastInsertId) : TValue(static_cast<std::int64_t>(FLastInsertId)));
  try {
    ReadBackFilledColumns(context, fields, filledByServer);
  } catch (const EDatabaseError& error) {
    // A session lost for good closed the dataset, and the row with it: there is nothing to show.
    if (!Active()) throw;
    AdviseRefresh(std::string("The row was stored, but what the server filled in could not be read back (") +
                  error.what() + "); refresh to see what is stored.");
  }
}

void TMyQuery::RefuseRowsNotToldApart(const TUpdateContext& context) {
  const TGeneratedStatement count = GenerateRowsAlikeCount(context);
  if (!count.Text.empty() && LookUp(count, context) == "2") throw EDatabaseError(NotToldApart(IdentifyRow(context)));
}

void TMyQuery::ExecuteUpdateCommand() {
  try {
    FUpdateCommand->Execute();
  } catch (const EMyError& error) {
    // In a cluster, another node's write of the same row rolls a statement back with a deadlock
    // (certification conflict); outside a transaction nothing of it stayed, so it goes once more.
    if (error.ErrorCode != ER_LOCK_DEADLOCK || FConnection->InTransaction()) throw;
    FUpdateCommand->Execute();
  }
}

void TMyQuery::InternalInsert(std::size_t position) {
  FUnknownOutcome.NewRowBegun();
  TMemDataSet::InternalInsert(position);
}

void TMyQuery::ApplyRecordUpdate() {
  if (!FConnection || !FConnection->Connected()) throw EDatabaseError("Connection is not connected");
  WriteChange(State() == dsInsert ? stInsert : stUpdate);
}

void TMyQuery::ApplyRecordDelete() {
  if (!FConnection || !FConnection->Connected()) throw EDatabaseError("Connection is not connected");
  WriteChange(stDelete);
}

void TMyQuery::StoreFieldValue(TField& field, const TValue& nativeValue) {
  const auto* text = std::get_if<std::string>(&nativeValue);
  if (Options.SetEmptyStrToNull && text && text->empty()) return TMemDataSet::StoreFieldValue(field, {});
  TMemDataSet::StoreFieldValue(field, nativeValue);
}

void TMyQuery::InternalRefresh() {
  std::vector<std::pair<std::size_t, TValue>> key;
  if (!IsEmpty())
    for (const TFieldDesc* desc : KeyAndDataFields().KeyFieldDescs)
      key.emplace_back(static_cast<std::size_t>(desc->FieldNo - 1),
                       ReadFieldValue(Data(), Data().Record(CurrentIndex()), *desc));
  TFieldDescs before = Data().Fields;
  ForgetKeyAndDataFields();
  FUnknownOutcome.RowsReadAgain();
  try {
    BeginConnection();
    FRecordSet->Close();
    Data().ClearRecords();
    ReadResult();
  } catch (...) {
    Close();
    throw;
  }
  if (!SameLayout(before, Data().Fields)) {
    Close();
    Open();
    return;
  }
  std::size_t found = 0;
  if (!key.empty())
    for (std::size_t i = 0; i < Data().RecordCount(); ++i) {
      bool same = true;
      for (const auto& [index, value] : key)
        same = same && ReadFieldValue(Data(), Data().Record(i), Data().Fields[index]) == value;
      if (same) {
        found = i;
        break;
      }
    }
  SetCurrent(found);
}
