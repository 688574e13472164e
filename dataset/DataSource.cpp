#include "dataset/DataSource.h"

#include <algorithm>

TDataLink::~TDataLink() {
  if (FDataSource) std::erase(FDataSource->FLinks, this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == FDataSource) return;
  if (FDataSource) std::erase(FDataSource->FLinks, this);
  FDataSource = source;
  if (FDataSource) FDataSource->FLinks.push_back(this);
  ActiveChanged();
}

TDataSet* TDataLink::DataSet() const {
  return FDataSource ? FDataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const {
  TDataSet* dataSet = DataSet();
  return dataSet && dataSet->Active();
}

TDataSource::~TDataSource() {
  if (FDataSet) std::erase(FDataSet->FDataSources, this);
  for (TDataLink* link : FLinks) link->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (FDataSet) std::erase(FDataSet->FDataSources, this);
  FDataSet = dataSet;
  if (FDataSet) FDataSet->FDataSources.push_back(this);
  DataEvent(deUpdateState, nullptr);
}

void TDataSource::Edit() {
  if (AutoEdit && FDataSet && FDataSet->State() == dsBrowse) FDataSet->Edit();
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
  if (!Enabled) return;
  std::vector<TDataLink*> links = FLinks;  // a handler may attach or detach controls
  switch (event) {
    case deUpdateState: {
      bool active = FDataSet && FDataSet->Active();
      bool activeChanged = active != FWasActive;
      FWasActive = active;
      for (TDataLink* link : links) activeChanged ? link->ActiveChanged() : link->EditingChanged();
      if (OnStateChange) OnStateChange(*this);
      return;
    }
    case deFieldChange:
    case deRecordChange:
      for (TDataLink* link : links) link->RecordChanged(field);
      break;
    case deDataSetChange:
      for (TDataLink* link : links) link->DataSetChanged();
      break;
    case deLayoutChange:
      for (TDataLink* link : links) link->LayoutChanged();
      break;
    case deDataSetScroll:
      for (TDataLink* link : links) link->DataSetScrolled();
      break;
  }
  if (OnDataChange) OnDataChange(*this, event == deFieldChange ? field : nullptr);
}
