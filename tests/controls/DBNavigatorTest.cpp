#include "controls/DBNavigator.h"
#include "tests/controls/PixelRows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// The enabled buttons as a word of button initials in the standard order, e.g. "FPNL" + "IDE" +
// "PC" + "R" for First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh; a
// disabled button shows as ".".
std::string EnabledButtons(const TDBNavigator& navigator) {
  static const char Initials[] = "FPNLIDEPCR";
  std::string word;
  for (int i = 0; i < NavigateButtonCount; ++i)
    word += navigator.Button(static_cast<TNavigateBtn>(i))->isEnabled() ? Initials[i] : '.';
  return word;
}

struct DBNavigatorFixture : ::testing::Test {
  DBNavigatorFixture() {
    navigator.SetDataSource(&data.source);
    navigator.ConfirmAction = [this](TDBNavigator& sender, const QString& question) {
      EXPECT_EQ(&sender, &navigator);
      questions << question;
      return answer;
    };
  }

  TPixelSource data{3};
  TDBNavigator navigator{nullptr};
  QStringList questions;
  bool answer = true;
};

struct TStateCase {
  const char* name;
  int rows;
  std::function<void(TPixelRows&)> arrange;
  const char* enabled;
};

}  // namespace

TEST(DBNavigator, ButtonsFollowTheStateOfTheDataSet) {
  const TStateCase cases[] = {
      {"closed", 3, [](TPixelRows&) {}, ".........."},
      {"empty", 0, [](TPixelRows& rows) { rows.Open(); }, "....I....R"},
      {"opened at the first record", 3, [](TPixelRows& rows) { rows.Open(); }, "..NLIDE..R"},
      {"in the middle", 3,
       [](TPixelRows& rows) {
         rows.Open();
         rows.Next();
       },
       "FPNLIDE..R"},
      {"at the end", 3,
       [](TPixelRows& rows) {
         rows.Open();
         rows.Last();
       },
       "FP..IDE..R"},
      {"past the start", 3,
       [](TPixelRows& rows) {
         rows.Open();
         rows.Next();
         rows.Prior();
         rows.Prior();
       },
       "..NLIDE..R"},
      {"editing", 3,
       [](TPixelRows& rows) {
         rows.Open();
         rows.Next();
         rows.Edit();
       },
       "FPNL...PC."},
      {"inserting", 3,
       [](TPixelRows& rows) {
         rows.Open();
         rows.Last();
         rows.Insert();
       },
       "FP.....PC."},
      {"read-only", 3,
       [](TPixelRows& rows) {
         rows.ReadOnly = true;
         rows.Open();
       },
       "..NL.....R"},
      {"closed again", 3,
       [](TPixelRows& rows) {
         rows.Open();
         rows.Next();
         rows.Close();
       },
       ".........."},
  };
  for (const TStateCase& test : cases) {
    SCOPED_TRACE(test.name);
    TPixelSource data(test.rows);
    TDBNavigator navigator(nullptr);
    navigator.SetDataSource(&data.source);
    test.arrange(data.rows);
    // The dataset may settle Bof and Eof after telling of a move; the buttons catch up at once
    // when the event loop runs.
    QCoreApplication::processEvents();
    EXPECT_EQ(EnabledButtons(navigator), test.enabled);
  }
}

TEST(DBNavigator, WithoutADataSourceEveryButtonIsOff) {
  TPixelSource data(3);
  data.rows.Open();
  TDBNavigator navigator(nullptr);
  EXPECT_EQ(EnabledButtons(navigator), "..........");
  navigator.SetDataSource(&data.source);
  EXPECT_EQ(EnabledButtons(navigator), "..NLIDE..R");
  navigator.SetDataSource(nullptr);
  EXPECT_EQ(EnabledButtons(navigator), "..........");
}

TEST_F(DBNavigatorFixture, ButtonsActOnTheDataSet) {
  data.rows.Open();
  QTest::mouseClick(navigator.Button(nbLast), Qt::LeftButton);
  EXPECT_EQ(data.rows.RecNo(), 3);
  EXPECT_EQ(EnabledButtons(navigator), "FP..IDE..R");
  navigator.BtnClick(nbPrior);
  EXPECT_EQ(data.rows.RecNo(), 2);
  navigator.BtnClick(nbFirst);
  EXPECT_EQ(data.rows.RecNo(), 1);
  EXPECT_EQ(EnabledButtons(navigator), "..NLIDE..R");
  navigator.BtnClick(nbNext);
  EXPECT_EQ(data.rows.RecNo(), 2);

  navigator.BtnClick(nbInsert);
  EXPECT_EQ(data.rows.State(), dsInsert);
  data.rows.FieldByName("note").SetAsString("new");
  navigator.BtnClick(nbPost);
  EXPECT_EQ(data.rows.State(), dsBrowse);
  EXPECT_EQ(data.rows.RecNo(), 2);
  EXPECT_EQ(data.rows.RecordCount(), 4);

  navigator.BtnClick(nbEdit);
  EXPECT_EQ(data.rows.State(), dsEdit);
  data.rows.FieldByName("note").SetAsString("changed");
  navigator.BtnClick(nbCancel);
  EXPECT_EQ(data.rows.FieldByName("note").AsString(), "new");

  navigator.BtnClick(nbRefresh);
  EXPECT_EQ(data.rows.Refreshes, 1);
  EXPECT_EQ(data.rows.Written, (std::vector<std::string>{"insert new"}));
}

TEST_F(DBNavigatorFixture, DeleteAsksFirstAndKeepsTheRecordOnCancel) {
  data.rows.Open();
  data.rows.Next();
  answer = false;
  navigator.BtnClick(nbDelete);
  EXPECT_EQ(questions, QStringList{"Delete record?"});
  EXPECT_EQ(data.rows.RecordCount(), 3);
  EXPECT_TRUE(data.rows.Written.empty());

  answer = true;
  navigator.BtnClick(nbDelete);
  EXPECT_EQ(data.rows.RecordCount(), 2);
  EXPECT_EQ(data.rows.Written, (std::vector<std::string>{"delete row 2"}));

  navigator.ConfirmDelete = false;
  answer = false;
  navigator.BtnClick(nbDelete);
  EXPECT_EQ(questions.size(), 2);
  EXPECT_EQ(data.rows.RecordCount(), 1);
}

TEST_F(DBNavigatorFixture, ErrorsOfTheDataSetReachTheCaller) {
  data.rows.Open();
  navigator.BtnClick(nbEdit);
  data.rows.FieldByName("note").SetAsString("changed");
  data.rows.FailNextWrite = true;
  EXPECT_THROW(navigator.BtnClick(nbPost), EDatabaseError);
  EXPECT_EQ(data.rows.State(), dsEdit);
  EXPECT_EQ(EnabledButtons(navigator), "..NL...PC.");
}

// Without a confirmation function the question is a message box with OK and Cancel.
TEST(DBNavigator, DefaultConfirmationIsAMessageBox) {
  TPixelSource data(2);
  data.rows.Open();
  TDBNavigator navigator(nullptr);
  navigator.SetDataSource(&data.source);

  for (QMessageBox::StandardButton choice : {QMessageBox::Cancel, QMessageBox::Ok}) {
    QString text;
    QMessageBox::StandardButtons buttons;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      text = box->text();
      buttons = box->standardButtons();
      box->button(choice)->click();
    });
    navigator.BtnClick(nbDelete);
    EXPECT_EQ(text, "Delete record?");
    EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);
  }
  EXPECT_EQ(data.rows.RecordCount(), 1);
}
