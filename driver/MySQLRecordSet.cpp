#include "driver/MySQLRecordSet.h"

#include "dataset/Exceptions.h"
#include "driver/MySQLConnection.h"
#include "platform/AnsiText.h"

TMySQLRecordSet::TMySQLRecordSet(TMySQLConnection& connection, TMemData& data)
    : FConnection(connection), FData(data), FCommand(connection) {}

bool TMySQLRecordSet::Open() {
  if (!FCommand.SQLResult()) {
    FCommand.RequestResultset = true;
    FCommand.Execute();
  }
  TMySqlResultSet* result = FCommand.SQLResult();
  FEndOfData = false;
  if (!result) return false;
  TMySQLAPIDirect& api = TMySQLConnection::API();
  std::vector<TMYSQL_FIELD> columns(api.mysql_num_fields(result));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    api._mysql_fetch_field_direct(result, i, columns[i], FConnection.UseUnicode());
    if (FConnection.SpeaksAnsi()) columns[i].Name = AnsiToUtf8(columns[i].Name);
  }
  FData.ClearRecords();
  FData.Tables.clear();
  Mapping.UseUnicode = FConnection.UseUnicode();
  Mapping.Utf8mb4 = FConnection.SpeaksUtf8mb4();
  Conversion.UseUnicode = FConnection.UseUnicode();
  Conversion.AnsiText = Mapping.AnsiText = FConnection.SpeaksAnsi();
  FData.Fields = BuildFieldDescs(columns, Mapping, FData.Tables);
  FData.InitLayout();
  FConverter.emplace(FData, Conversion);
  return true;
}

bool TMySQLRecordSet::Fetch() {
  TMySqlResultSet* result = FCommand.SQLResult();
  if (!result) return false;
  if (FData.Fields.empty()) {
    FCommand.FreeResult();
    throw EDatabaseError("SQL statement doesn't return rows");
  }
  TMySQLAPIDirect& api = TMySQLConnection::API();
  std::size_t read = 0;
  char* record = nullptr;
  try {
    while (read < static_cast<std::size_t>(FetchRows)) {
      const TMySqlBinds* row = api.mysql_fetch_row(result);
      if (!row) {
        int error = api.mysql_errno(FConnection.Session());
        FCommand.FreeResult();
        if (error != 0) FConnection.MySQLError(FCommand.Component);
        FEndOfData = true;
        break;
      }
      // Reserved once a row is there: an empty result of many columns costs no record block.
      if (read == 0) FData.ReserveBlock(static_cast<std::size_t>(FetchRows));
      record = FData.NewRecord();
      FConverter->ConvertRow(record, TBindsRow{*row});
      FData.AppendRecord(record);
      record = nullptr;
      ++read;
    }
  } catch (...) {
    if (record) FData.DiscardRecord(record);
    FCommand.FreeResult();
    throw;
  }
  return read > 0;
}

void TMySQLRecordSet::StoreValue(char* record, const TFieldDesc& desc, std::string_view text, bool isNull) {
  FData.SetNullFlag(record, desc, FConverter->ConvertValue(record, desc, text, isNull));
}

void TMySQLRecordSet::Close() {
  FCommand.FreeResult();
}
