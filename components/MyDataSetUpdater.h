#pragma once

#include <string>
#include <vector>

#include "dataset/MemData.h"

// The table a dataset writes its changes to, and its key and data fields.
struct TKeyAndDataFields {
  int TableIndex = -1;  // -1: no updating table
  std::vector<const TFieldDesc*> KeyFieldDescs;
  std::vector<const TFieldDesc*> DataFieldDescs;
  const TFieldDesc* IdentityField = nullptr;
};

// Chooses the updating table ("Wrong UpdatingTable value - table %s is unknown" when the name
// matches none; a table named only here is added) and the key fields ("%s: Key field '%s' not
// found" for a listed name without a field).
TKeyAndDataFields FillKeyAndDataFields(TMemData& data, const std::string& updatingTable, const std::string& keyFields,
                                       const std::string& dataSetName, bool setFieldsReadOnly);
