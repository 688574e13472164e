#pragma once
// A data link that passes the data source's notifications to functions.
#include "dataset/DataSource.h"

#include <functional>

// A data link that hands each notification to a function, so that a control can follow its
// data source without deriving from the framework's link class.
class TCallbackDataLink : public TDataLink {
 public:
  std::function<void()> OnActiveChanged;
  std::function<void()> OnDataSetChanged;
  std::function<void()> OnLayoutChanged;
  std::function<void()> OnDataSetScrolled;
  std::function<void(TField*)> OnRecordChanged;
  std::function<void()> OnEditingChanged;

  void ActiveChanged() override { Call(OnActiveChanged); }
  void DataSetChanged() override { Call(OnDataSetChanged); }
  void LayoutChanged() override { Call(OnLayoutChanged ? OnLayoutChanged : OnDataSetChanged); }
  void DataSetScrolled() override { Call(OnDataSetScrolled); }
  void RecordChanged(TField* field) override {
    if (OnRecordChanged) OnRecordChanged(field);
  }
  void EditingChanged() override { Call(OnEditingChanged); }

 private:
  static void Call(const std::function<void()>& handler) {
    if (handler) handler();
  }
};
