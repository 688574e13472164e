#pragma once
// The INSERT, UPDATE, DELETE and refresh statements an updating dataset sends, and their values.
#include "dataset/FieldDesc.h"
#include "dataset/MemData.h"

#include <cstddef>
#include <string>
#include <vector>

enum TStatementType {
  stQuery,
  stInsert,
  stUpdate,
  stDelete,
  stLock,
  stRefresh,
  stCustom,
  stRefreshQuick,
  stRefreshCheckDeleted,
  stBatchUpdate,
  stRecCount
};

// One placeholder of a generated statement.
struct TDAParamInfo {
  const TFieldDesc* Field = nullptr;
  bool Old = false;        // the old value is meant
  std::size_t Offset = 0;  // of the "?" in the text
};

struct TGeneratedStatement {
  std::string Text;  // empty when there is nothing to send
  std::vector<TDAParamInfo> Params;
};

// What a statement is generated from: the table, its key and data fields, and the record's
// old and new versions.
struct TUpdateContext {
  const TMemData* Data = nullptr;
  std::string Table;  // as written in the statement, quoted where it needs it
  std::vector<const TFieldDesc*> KeyFields;
  std::vector<const TFieldDesc*> DataFields;
  const char* OldRecord = nullptr;
  const char* NewRecord = nullptr;
  bool QuoteNames = false;
  bool UpdateAllFields = false;
};

// Builds the INSERT, UPDATE and DELETE statements of an updating dataset, and for
// stRefreshCheckDeleted the query that finds the old record's row by its key (by all its comparable
// columns and "LIMIT 1" without one). A condition that finds no column raises "Key fields not found".
TGeneratedStatement GenerateStatement(TStatementType type, const TUpdateContext& context);

// The query that tells whether the row the record's key finds holds what an INSERT posted: "1"
// when every posted column that compares exactly holds its value, "0" when one does not, no row
// when there is no such row.
TGeneratedStatement GenerateStoredRowCheck(const TUpdateContext& context);

// The query that reads the given columns of the row the record's key finds (after an INSERT, what
// the server filled in).
TGeneratedStatement GenerateColumnsRead(const TUpdateContext& context, const std::vector<const TFieldDesc*>& fields);

// The last INSERT generated, reused while rows are posted with the same fields set, so that a
// form adding row after row builds its statement once. Clear it whenever the field
// descriptions may have been rebuilt.
class TInsertStatementCache {
 public:
  const TGeneratedStatement& For(const TUpdateContext& context);
  void Clear() { FValid = false; }

 private:
  bool FValid = false;
  std::string FTable;
  bool FQuoteNames = false;
  bool FUpdateAllFields = false;
  std::vector<const TFieldDesc*> FDataFields;
  std::vector<bool> FFieldsSet, FScratch;
  TGeneratedStatement FStatement;
};

// The statement text with each placeholder replaced by its value's literal; with ansi in
// Windows-1252, except the literals of bytes, which are never character-converted.
std::string PlaceParamValues(const TGeneratedStatement& statement, const TUpdateContext& context, bool inserting,
                             bool needBackslashes, bool ansi = false);
