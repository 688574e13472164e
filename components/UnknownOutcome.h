#pragma once
// A change whose reply was lost: what it was, and the look-up that decides, before it is sent again,
// whether the server made it.
#include "components/MySQLGenerator.h"
#include "dataset/Value.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Runs a look-up and gives its first value; empty when it finds no row.
using TLookUp = std::function<std::string(const TGeneratedStatement&, const TUpdateContext&)>;

class TUnknownOutcome {
 public:
  // The change was sent for this record and its reply lost.
  void Remember(TStatementType type, const TUpdateContext& context);
  void Forget() { FType.reset(); }
  // The rows are read again (or closed): they show whether a lost UPDATE or DELETE was made. A
  // lost INSERT stays, to be looked up by its key when a row with that key is posted.
  void RowsReadAgain() {
    if (FType != stInsert) Forget();
  }
  // Another row is begun: a lost INSERT without a whole key to look it up by cannot be told from it.
  void NewRowBegun();

  // Before a change is sent. True when it is the one whose outcome is unknown and the server made
  // it: nothing is to be sent. False when there is none, or the look-up shows it was not made.
  // Raises when the table holds another outcome (an INSERT's key with other values) or the row
  // cannot be looked up (no key); the change stays unknown then, until the rows are read again.
  bool TookEffect(TStatementType type, const TUpdateContext& context, const std::set<std::string>& filledByServer,
                  const TLookUp& lookUp);

 private:
  // What tells the change's row: the key sent by an INSERT, the old row's values otherwise; read
  // into row, which keeps its room.
  static void ReadRow(TStatementType type, const TUpdateContext& context, std::vector<TValue>& row);

  std::optional<TStatementType> FType;
  std::vector<TValue> FRow;
};
