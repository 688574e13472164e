#include "dataset/DataSource.h"
#include "dataset/MemDataSet.h"
#include "dataset/RecordValues.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A dataset holding the numbers 1..n in field "Num" and their names in "Name".
class TNumbers : public TMemDataSet {
 public:
  explicit TNumbers(int count) : FCount(count) {}
  std::vector<std::string> Written;  // what the dataset was asked to write
  bool FailNextWrite = false;

 protected:
  void InternalOpen() override {
    TFieldDesc num, name;
    num.Name = "Num";
    num.DataType = dtInt32;
    name.Name = "Name";
    name.DataType = dtExtString;
    name.Length = 40;
    Data().Fields = {num, name};
    Data().InitLayout();
    for (int i = 1; i <= FCount; ++i) {
      char* record = Data().NewRecord();
      WriteFieldValue(Data(), record, Data().Fields[0], std::int64_t{i});
      WriteFieldValue(Data(), record, Data().Fields[1], "n" + std::to_string(i));
      Data().AppendRecord(record);
    }
    CreateFields();
  }
  void InternalRefresh() override {}
  void ApplyRecordUpdate() override {
    if (FailNextWrite) {
      FailNextWrite = false;
      throw EDatabaseError("write failed");
    }
    Written.push_back((State() == dsInsert ? "insert " : "update ") + FieldByName("Num").AsString());
  }
  void ApplyRecordDelete() override { Written.push_back("delete " + FieldByName("Num").AsString()); }

 private:
  int FCount;
};

// Records what a data source and a control attached to it are told.
struct TRecorder : TDataLink {
  std::vector<std::string> Events;
  void ActiveChanged() override { Events.push_back("active"); }
  void DataSetChanged() override { Events.push_back("changed"); }
  void LayoutChanged() override { Events.push_back("layout"); }
  void DataSetScrolled() override { Events.push_back("scrolled"); }
  void RecordChanged(TField* field) override { Events.push_back(field ? "field " + field->FieldName() : "record"); }
  void EditingChanged() override { Events.push_back("editing"); }
};

std::vector<int> Numbers(TDataSet& dataSet) {
  std::vector<int> numbers;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) numbers.push_back(dataSet.FieldByName("num").AsInteger());
  return numbers;
}

}  // namespace

TEST(DataSet, NavigationBofEofAndRecordNumbers) {
  TNumbers dataSet(3);
  EXPECT_EQ(dataSet.RecNo(), 0);
  dataSet.Open();
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_FALSE(dataSet.Eof());
  EXPECT_EQ(dataSet.RecNo(), 1);
  EXPECT_EQ(dataSet.RecordCount(), 3);
  dataSet.Next();
  dataSet.Next();
  EXPECT_EQ(dataSet.RecNo(), 3);
  EXPECT_FALSE(dataSet.Eof());
  dataSet.Next();
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.RecNo(), 3);
  EXPECT_EQ(dataSet.MoveBy(-10), -2);
  EXPECT_TRUE(dataSet.Bof());
  dataSet.SetRecNo(2);
  EXPECT_EQ(dataSet.FieldByName("NAME").AsString(), "n2");
  dataSet.Last();
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_THROW(dataSet.FieldByName("missing"), EDatabaseError);
}

TEST(DataSet, EmptyDataSetIsBothBofAndEof) {
  TNumbers dataSet(0);
  dataSet.Open();
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.RecNo(), 0);
  EXPECT_TRUE(dataSet.FieldByName("Num").IsNull());
  try {
    dataSet.Delete();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
  }
}

TEST(DataSet, InsertPlacesTheRecordBeforeTheCurrentOneAndCancelRemovesIt) {
  TNumbers dataSet(3);
  dataSet.Open();
  dataSet.SetRecNo(2);
  dataSet.Insert();
  EXPECT_EQ(dataSet.RecNo(), -1);
  EXPECT_TRUE(dataSet.FieldByName("Num").IsNull());
  dataSet.FieldByName("Num").SetAsInteger(7);
  dataSet.Cancel();
  EXPECT_EQ(dataSet.RecNo(), 2);
  EXPECT_EQ(Numbers(dataSet), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(dataSet.Written.empty());

  dataSet.SetRecNo(2);
  dataSet.Insert();
  dataSet.FieldByName("Num").SetAsString("7");
  dataSet.Post();
  EXPECT_EQ(dataSet.RecNo(), 2);
  EXPECT_EQ(dataSet.FieldByName("Num").AsInteger(), 7);
  EXPECT_EQ(Numbers(dataSet), (std::vector<int>{1, 7, 2, 3}));
  EXPECT_EQ(dataSet.Written, std::vector<std::string>{"insert 7"});
}

TEST(DataSet, FailedPostKeepsThePendingRecordAndDeleteThenCancelsIt) {
  TNumbers dataSet(2);
  dataSet.Open();
  dataSet.Insert();
  dataSet.FieldByName("Num").SetAsInteger(5);
  dataSet.FailNextWrite = true;
  EXPECT_THROW(dataSet.Post(), EDatabaseError);
  EXPECT_EQ(dataSet.State(), dsInsert);
  EXPECT_EQ(dataSet.FieldByName("Num").AsInteger(), 5);
  dataSet.Delete();
  EXPECT_EQ(dataSet.State(), dsBrowse);
  EXPECT_EQ(Numbers(dataSet), (std::vector<int>{1, 2}));
}

TEST(DataSet, PostErrorHandlerCanRetryOrAbort) {
  TNumbers dataSet(1);
  dataSet.Open();
  TDataAction choice = daRetry;
  dataSet.OnPostError = [&](TDataSet&, const std::exception&, TDataAction& action) { action = choice; };
  dataSet.Edit();
  dataSet.FailNextWrite = true;
  dataSet.Post();  // retried once, then written
  EXPECT_EQ(dataSet.Written, std::vector<std::string>{"update 1"});
  choice = daAbort;
  dataSet.Edit();
  dataSet.FailNextWrite = true;
  EXPECT_THROW(dataSet.Post(), EAbort);
  EXPECT_EQ(dataSet.State(), dsEdit);
}

TEST(DataSet, EditAndFieldSetterChecks) {
  TNumbers dataSet(2);
  dataSet.Open();
  try {
    dataSet.FieldByName("Name").SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
  }
  dataSet.Edit();
  dataSet.FieldByName("Num").ReadOnly = true;
  try {
    dataSet.FieldByName("Num").SetAsInteger(1);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Num' cannot be modified");
  }
  EXPECT_THROW(dataSet.FieldByName("Name").AsInteger(), EConvertError);
  dataSet.FieldByName("Name").SetAsString("changed");
  dataSet.Next();  // leaving the record posts it
  EXPECT_EQ(dataSet.State(), dsBrowse);
  dataSet.First();
  EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "changed");
}

TEST(DataSet, DeleteMovesToTheNextRecordOrThePreviousAtTheEnd) {
  TNumbers dataSet(3);
  dataSet.Open();
  dataSet.SetRecNo(2);
  dataSet.Delete();
  EXPECT_EQ(dataSet.FieldByName("Num").AsInteger(), 3);
  dataSet.Delete();
  EXPECT_EQ(dataSet.FieldByName("Num").AsInteger(), 1);
  EXPECT_EQ(dataSet.Written, (std::vector<std::string>{"delete 2", "delete 3"}));
}

TEST(DataSource, NotifiesControlsAndTheFormOfChanges) {
  TNumbers dataSet(3);
  TDataSource source;
  TRecorder control;
  std::vector<std::string> form;
  source.OnDataChange = [&](TDataSource&, TField* field) {
    form.push_back(field ? "data " + field->FieldName() : "data");
  };
  source.OnStateChange = [&](TDataSource& s) { form.push_back("state " + std::to_string(s.State())); };
  source.SetDataSet(&dataSet);
  control.SetDataSource(&source);
  control.Events.clear();
  form.clear();

  dataSet.Open();
  dataSet.Next();
  dataSet.Edit();
  dataSet.FieldByName("Num").SetAsInteger(9);
  dataSet.Cancel();
  EXPECT_EQ(control.Events, (std::vector<std::string>{"active", "layout", "scrolled", "editing", "record", "field Num",
                                                      "editing", "changed"}));
  EXPECT_EQ(form,
            (std::vector<std::string>{"state 1", "data", "data", "state 2", "data", "data Num", "state 1", "data"}));
}

TEST(DataSource, DisabledControlsGetOneNotificationWhenEnabledAgain) {
  TNumbers dataSet(3);
  dataSet.Open();
  TDataSource source;
  source.SetDataSet(&dataSet);
  TRecorder control;
  control.SetDataSource(&source);
  control.Events.clear();

  dataSet.DisableControls();
  dataSet.DisableControls();
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
  }
  dataSet.EnableControls();
  EXPECT_TRUE(control.Events.empty());
  dataSet.EnableControls();
  EXPECT_EQ(control.Events, std::vector<std::string>{"changed"});

  control.Events.clear();
  dataSet.DisableControls();
  dataSet.Close();
  dataSet.Open();  // a new field list while disabled reaches the controls as a layout change
  dataSet.EnableControls();
  EXPECT_EQ(control.Events, std::vector<std::string>{"layout"});
}
