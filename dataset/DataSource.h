#pragma once
// Data sources and data links: how data-aware controls follow a dataset.
#include "dataset/Component.h"
#include "dataset/DataSet.h"

#include <functional>
#include <vector>

class TDataSource;

// A data-aware control's view of a data source: told when the dataset opens or closes, changes,
// scrolls, changes a record or field, or starts or ends editing.
class TDataLink {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  virtual ~TDataLink();

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  bool Active() const;

  virtual void ActiveChanged() {}
  virtual void DataSetChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void DataSetScrolled() {}
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void EditingChanged() {}

 private:
  friend class TDataSource;
  TDataSource* FDataSource = nullptr;
};

// Ties a dataset to its data-aware controls and tells the form of data and state changes.
class TDataSource : public TComponent {
 public:
  TDataSource() = default;
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;
  ~TDataSource() override;

  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* dataSet);
  TDataSetState State() const { return FDataSet ? FDataSet->State() : dsInactive; }
  bool Enabled = true;
  bool AutoEdit = true;
  // Starts editing on behalf of a control, when AutoEdit allows it.
  void Edit();

  // Field is the changed field, or none when the record, the position or the whole set changed.
  std::function<void(TDataSource&, TField*)> OnDataChange;
  std::function<void(TDataSource&)> OnStateChange;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, TField* field);
  TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FLinks;
  bool FWasActive = false;
};
