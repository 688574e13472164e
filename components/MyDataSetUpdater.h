#pragma once
// Which table an updating MySQL dataset writes to, and by which key fields it finds its rows.
#include "dataset/MemData.h"

#include <functional>
#include <string>
#include <vector>

// A primary or unique key of a table as the server describes it: its column names, primary key first.
struct TTableKey {
  std::vector<std::string> Columns;
};

// Tells a table's keys; asked only when the dataset names no key fields of its own.
using TTableKeysOf = std::function<std::vector<TTableKey>(const TTableInfo&)>;

// The table a dataset writes its changes to, and its key and data fields.
struct TKeyAndDataFields {
  int TableIndex = -1;  // -1: no updating table
  std::vector<const TFieldDesc*> KeyFieldDescs;
  std::vector<const TFieldDesc*> DataFieldDescs;
  const TFieldDesc* IdentityField = nullptr;
};

// Chooses the updating table ("Wrong UpdatingTable value - table %s is unknown" when the name
// matches none; a table named only here is added) and the key fields: the listed ones ("%s: Key
// field '%s' not found" for a name without a field), else the first of the table's keys whose
// columns the dataset all read. The column flags cannot tell a whole key from a part of one, so
// without such a key there are no key fields and a row is found by all its columns.
TKeyAndDataFields FillKeyAndDataFields(TMemData& data, const std::string& updatingTable, const std::string& keyFields,
                                       const std::string& dataSetName, bool setFieldsReadOnly,
                                       const TTableKeysOf& keysOf);
