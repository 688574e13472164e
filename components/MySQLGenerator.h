#pragma once
// The INSERT, UPDATE, DELETE and refresh statements an updating dataset sends, and their values.
#include "dataset/FieldDesc.h"
#include "dataset/MemData.h"

#include <cstddef>
#include <set>
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

// How a placeholder's value is written: as the value itself, or in the form an exact comparison
// needs (see RowIdentity.h).
enum class TLiteralForm {
  Value,
  FixedText,    // a CHAR column's text, which the column keeps without trailing spaces
  Decimal,      // digits in fixed notation, never an exponent
  StoredFloat,  // the single-precision value a FLOAT column makes of it
  // The least and the greatest value stored that the server shows as the value read: for a
  // floating-point number half a unit of its last digit shown either way, for a time the millisecond.
  NearBelow,
  NearAbove,
};

// One placeholder of a generated statement.
struct TDAParamInfo {
  const TFieldDesc* Field = nullptr;
  bool Old = false;        // the old value is meant
  std::size_t Offset = 0;  // of the "?" in the text
  TLiteralForm Form = TLiteralForm::Value;
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
  // The character set texts cross the session in, in which stored texts are compared byte for byte.
  std::string Charset = "utf8mb4";
};

// Builds the INSERT, UPDATE and DELETE statements of an updating dataset, and for
// stRefreshCheckDeleted the query that finds the old record's row; the row is named as
// IdentifyRow (RowIdentity.h) tells. A condition that finds no column raises "Key fields not found".
TGeneratedStatement GenerateStatement(TStatementType type, const TUpdateContext& context);

// Without a key, when some columns the dataset read cannot be compared exactly: the query that
// counts the different rows (up to 2) the UPDATE or DELETE condition finds, which are not
// interchangeable when there are 2. Empty when the condition names one row or rows alike only.
TGeneratedStatement GenerateRowsAlikeCount(const TUpdateContext& context);

// The query that tells whether the row the new record's key finds holds what an INSERT posted:
// "1" when every posted column holds exactly its value and every column left out that the server
// does not fill (filledByServer) is NULL, "0" when not, no row when there is no such row.
TGeneratedStatement GenerateStoredRowCheck(const TUpdateContext& context, const std::set<std::string>& filledByServer);

// As GenerateStoredRowCheck for an UPDATE: whether the row the new record's key finds holds
// exactly the changed columns' new values.
TGeneratedStatement GenerateChangeCheck(const TUpdateContext& context);

// The query that reads the given columns of the row the new record's key finds (after an INSERT,
// what the server filled in), and as its last value GenerateStoredRowCheck's answer for that row.
TGeneratedStatement GenerateColumnsRead(const TUpdateContext& context, const std::vector<const TFieldDesc*>& fields,
                                        const std::set<std::string>& filledByServer);

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
  std::vector<bool> FFieldsSet;
  TGeneratedStatement FStatement;
};

// Sets text to the statement text with each placeholder replaced by its value's literal; with ansi
// in Windows-1252, except the literals of bytes, which are never character-converted. The text
// keeps its room, so that a command sending row after row reuses it.
void PlaceParamValues(std::string& text, const TGeneratedStatement& statement, const TUpdateContext& context,
                      bool inserting, bool needBackslashes, bool ansi = false);
// As above, as a new text.
std::string PlaceParamValues(const TGeneratedStatement& statement, const TUpdateContext& context, bool inserting,
                             bool needBackslashes, bool ansi = false);
