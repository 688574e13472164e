#pragma once
// A query's rows read from the session in blocks into the record store.
#include "dataset/FieldDescBuilder.h"
#include "dataset/MemData.h"
#include "driver/MySQLCommand.h"
#include "driver/RowConversion.h"
#include "wire/MySqlApiDirect.h"

#include <cstddef>
#include <optional>
#include <string>

class TMySQLConnection;

// A fetched row as the converter reads it.
struct TBindsRow {
  const TMySqlBinds& Binds;
  bool IsNull(std::size_t i) const { return Binds.Slots[i].IsNull; }
  std::string_view Value(std::size_t i) const { return Binds.Value(i); }
};

// Runs a query and reads its rows in blocks into a record store, converting each value.
class TMySQLRecordSet {
 public:
  TMySQLRecordSet(TMySQLConnection& connection, TMemData& data);

  TMySQLCommand& Command() { return FCommand; }
  TFieldMapping Mapping;
  TRowConversionOptions Conversion;
  int FetchRows = 25;

  // Executes the statement (unless a result is already pending) and builds the field
  // descriptions. False when the statement returned no rows.
  bool Open();
  // Reads up to FetchRows rows into the store; false when none was left.
  bool Fetch();
  // The server reported the end of the rows (not an error that ended them).
  bool FetchedAll() const { return FEndOfData; }
  // Drops the pending result.
  // Puts one value read apart from the rows (a column read back after an INSERT) into a record,
  // converted as the rows' values are.
  void StoreValue(char* record, const TFieldDesc& desc, std::string_view text, bool isNull);
  void Close();

 private:
  TMySQLConnection& FConnection;
  TMemData& FData;
  TMySQLCommand FCommand;
  // Made by Open with the options then in force; its scratch buffers outlive a single fetch.
  std::optional<TRowConverter> FConverter;
  bool FEndOfData = false;
};
