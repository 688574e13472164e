#include "components/UnknownOutcome.h"

#include "components/RowIdentity.h"
#include "dataset/Exceptions.h"
#include "dataset/RecordValues.h"

#include <algorithm>

namespace {

bool KeyedBy(const TUpdateContext& context, const char* record) {
  TUpdateContext lookup = context;
  lookup.OldRecord = record;
  return IdentifyRow(lookup).ByKey;
}

}  // namespace

void TUnknownOutcome::ReadRow(TStatementType type, const TUpdateContext& context, std::vector<TValue>& row) {
  row.clear();
  if (type == stInsert)
    for (const TFieldDesc* desc : context.KeyFields)
      row.push_back(ReadFieldValue(*context.Data, context.NewRecord, *desc));
  else
    for (const TFieldDesc* desc : context.DataFields)
      row.push_back(ReadFieldValue(*context.Data, context.OldRecord, *desc));
}

void TUnknownOutcome::Remember(TStatementType type, const TUpdateContext& context) {
  FType = type;
  ReadRow(type, context, FRow);
}

void TUnknownOutcome::NewRowBegun() {
  if (FType == stInsert && (FRow.empty() || std::any_of(FRow.begin(), FRow.end(), IsNullValue))) Forget();
}

bool TUnknownOutcome::TookEffect(TStatementType type, const TUpdateContext& context,
                                 const std::set<std::string>& filledByServer, const TLookUp& lookUp) {
  if (!FType || *FType != type) return false;
  std::vector<TValue> row;
  ReadRow(type, context, row);
  if (row != FRow) {
    // An INSERT with another key means another row now; a change of another row leaves this one open.
    if (type == stInsert) Forget();
    return false;
  }
  bool tookEffect = false;
  switch (type) {
    case stInsert: {
      // A key the server fills in (an auto-increment column left empty) cannot find the row either.
      if (!KeyedBy(context, context.NewRecord))
        throw EDatabaseError(
            "The row may have been stored before the connection was lost; without a key to look it up by, it is "
            "not sent again.");
      const std::string holdsThePostedValues = lookUp(GenerateStoredRowCheck(context, filledByServer), context);
      // A row stored meanwhile with other values (corrected since, or another client's) is not this
      // post's: reporting success would show values the table does not hold.
      if (holdsThePostedValues == "0")
        throw EDatabaseError(
            "A row with this key was stored meanwhile, with other values than these; refresh to see what is stored.");
      tookEffect = holdsThePostedValues == "1";
      break;
    }
    case stUpdate:
    case stDelete:
      // Without a key, sending again may change a second row alike, and not sending may lose the change.
      if (!KeyedBy(context, type == stUpdate ? context.NewRecord : context.OldRecord))
        throw EDatabaseError(
            "The change may have been made before the connection was lost; without a key to look the row up by, it "
            "is not sent again. Refresh to see what is stored.");
      // Sent again, a change the server made would find no row: its key may have changed, or the
      // row is gone.
      tookEffect = type == stUpdate ? lookUp(GenerateChangeCheck(context), context) == "1"
                                    : lookUp(GenerateStatement(stRefreshCheckDeleted, context), context).empty();
      break;
    default:
      break;
  }
  Forget();
  return tookEffect;
}
