#include "controls/DBGrid.h"
#include "controls/DBNavigator.h"
#include "tests/controls/PixelRows.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QColor White(255, 255, 255);
const QColor Cream(255, 251, 240);

// The window's stripes: odd record numbers white, even ones cream, a record being inserted white.
QColor Stripe(TDBGrid&, int recordNumber) {
  return recordNumber > 0 && recordNumber % 2 == 0 ? Cream : White;
}

// A grid on a dataset, with the model checked by Qt's tester through every change.
struct DBGridFixture : ::testing::Test {
  DBGridFixture() {
    grid.SetDataSource(&data.source);
    grid.OnRecordBackground = Stripe;
    grid.resize(420, 240);
  }

  TDBGridModel& model() { return grid.Model(); }
  QString Cell(int row, int column) { return model().index(row, column).data().toString(); }

  // The "note" column from top to bottom.
  QStringList Notes() {
    QStringList notes;
    for (int row = 0; row < model().rowCount(); ++row) notes << Cell(row, 2);
    return notes;
  }
  QStringList Titles() {
    QStringList titles;
    for (int column = 0; column < model().columnCount(); ++column)
      titles << model().headerData(column, Qt::Horizontal).toString();
    return titles;
  }
  int IndicatorRow() {
    for (int row = 0; row < model().rowCount(); ++row)
      if (!model().headerData(row, Qt::Vertical).toString().isEmpty()) return row;
    return -1;
  }

  TPixelSource data{5};
  TDBGrid grid;
  QAbstractItemModelTester tester{&grid.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};

}  // namespace

TEST_F(DBGridFixture, ColumnsAreTheFieldsAndCellsTheirTextsWithoutMovingTheCursor) {
  EXPECT_EQ(model().columnCount(), 0);
  EXPECT_EQ(model().rowCount(), 0);

  data.rows.Open();
  EXPECT_EQ(Titles(), (QStringList{"mac", "Org_ID", "note"}));
  ASSERT_EQ(model().rowCount(), 5);
  data.rows.SetRecNo(2);
  EXPECT_EQ(Cell(3, 0), "54-2F-89-00-00-04");
  EXPECT_EQ(Cell(3, 1), "4");
  EXPECT_EQ(Cell(4, 2), "row 5");
  EXPECT_EQ(data.rows.RecNo(), 2);

  auto alignment = [&](int column) {
    return Qt::Alignment(model().index(0, column).data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
  };
  EXPECT_EQ(alignment(0), Qt::AlignLeft);
  EXPECT_EQ(alignment(1), Qt::AlignRight);

  // Several roles at once, as the delegate asks when painting.
  std::array<QModelRoleData, 2> roles{QModelRoleData(Qt::DisplayRole), QModelRoleData(Qt::BackgroundRole)};
  model().multiData(model().index(1, 2), roles);
  EXPECT_EQ(roles[0].data().toString(), "row 2");
  EXPECT_EQ(roles[1].data().value<QBrush>().color(), Cream);

  data.rows.Close();
  EXPECT_EQ(model().columnCount(), 0);
  EXPECT_EQ(model().rowCount(), 0);
}

TEST_F(DBGridFixture, RowsAreStripedByRecordNumberAndANewRecordIsWhite) {
  data.rows.Open();
  auto background = [&](int row) { return model().index(row, 1).data(Qt::BackgroundRole).value<QBrush>().color(); };
  EXPECT_EQ(background(0), White);
  EXPECT_EQ(background(1), Cream);
  EXPECT_EQ(background(2), White);
  EXPECT_EQ(background(3), Cream);

  data.rows.SetRecNo(2);
  data.rows.Insert();
  EXPECT_EQ(model().RecordNumber(1), -1);
  EXPECT_EQ(background(1), White);
  // The rows after the new one keep their own record numbers.
  EXPECT_EQ(model().RecordNumber(2), 2);
  EXPECT_EQ(background(2), Cream);
}

TEST_F(DBGridFixture, FollowsInsertEditAndDeleteInTheMiddle) {
  data.rows.Open();
  data.rows.SetRecNo(3);
  EXPECT_EQ(IndicatorRow(), 2);
  EXPECT_EQ(grid.currentIndex().row(), 2);

  data.rows.Insert();
  EXPECT_EQ(Notes(), (QStringList{"row 1", "row 2", "", "row 3", "row 4", "row 5"}));
  EXPECT_EQ(model().headerData(2, Qt::Vertical).toString(), "*");
  data.rows.FieldByName("note").SetAsString("new");
  EXPECT_EQ(Cell(2, 2), "new");
  data.rows.Post();
  EXPECT_EQ(Notes(), (QStringList{"row 1", "row 2", "new", "row 3", "row 4", "row 5"}));
  EXPECT_EQ(model().headerData(2, Qt::Vertical).toString(), "\u25B6");

  data.rows.Insert();
  data.rows.Cancel();
  EXPECT_EQ(Notes(), (QStringList{"row 1", "row 2", "new", "row 3", "row 4", "row 5"}));

  data.rows.SetRecNo(4);
  data.rows.Edit();
  EXPECT_EQ(model().headerData(3, Qt::Vertical).toString(), "I");
  data.rows.FieldByName("note").SetAsString("changed");
  EXPECT_EQ(Cell(3, 2), "changed");
  data.rows.Cancel();
  EXPECT_EQ(Cell(3, 2), "row 3");

  data.rows.Delete();
  EXPECT_EQ(Notes(), (QStringList{"row 1", "row 2", "new", "row 4", "row 5"}));
  EXPECT_EQ(grid.currentIndex().row(), 3);
  data.rows.Last();
  data.rows.Delete();
  EXPECT_EQ(Notes(), (QStringList{"row 1", "row 2", "new", "row 4"}));
  EXPECT_EQ(IndicatorRow(), 3);

  data.rows.Append();
  EXPECT_EQ(model().rowCount(), 5);
  EXPECT_EQ(IndicatorRow(), 4);
  data.rows.Cancel();
  EXPECT_EQ(model().rowCount(), 4);
}

TEST_F(DBGridFixture, ChangesWhileControlsAreDisabledShowWhenTheyAreEnabled) {
  data.rows.Open();
  data.rows.DisableControls();
  data.rows.Last();
  data.rows.Delete();
  data.rows.First();
  data.rows.Delete();
  EXPECT_EQ(model().rowCount(), 5);
  data.rows.EnableControls();
  EXPECT_EQ(Notes(), (QStringList{"row 2", "row 3", "row 4"}));
  EXPECT_EQ(grid.currentIndex().row(), 0);

  // Closed and re-opened meanwhile, as re-running the statement does.
  data.rows.DisableControls();
  data.rows.Close();
  data.rows.Open();
  data.rows.SetRecNo(4);
  data.rows.EnableControls();
  EXPECT_EQ(model().rowCount(), 5);
  EXPECT_EQ(IndicatorRow(), 3);
  EXPECT_EQ(grid.currentIndex().row(), 3);
}

TEST_F(DBGridFixture, ChoosingARowMovesTheDataSetAndAFailedPostKeepsTheRow) {
  data.rows.Open();
  grid.setCurrentIndex(model().index(3, 1));
  EXPECT_EQ(data.rows.RecNo(), 4);

  // A cell edit starts editing that record and writes the field.
  ASSERT_TRUE(model().flags(model().index(1, 2)) & Qt::ItemIsEditable);
  EXPECT_TRUE(model().setData(model().index(1, 2), "edited"));
  EXPECT_EQ(data.rows.RecNo(), 2);
  EXPECT_EQ(data.rows.State(), dsEdit);
  EXPECT_EQ(data.rows.FieldByName("note").AsString(), "edited");
  EXPECT_EQ(grid.currentIndex().row(), 1);

  data.rows.FailNextWrite = true;
  EXPECT_THROW(grid.setCurrentIndex(model().index(4, 1)), EDatabaseError);
  EXPECT_EQ(data.rows.State(), dsEdit);
  EXPECT_EQ(grid.currentIndex().row(), 1);

  grid.setCurrentIndex(model().index(4, 1));
  EXPECT_EQ(data.rows.Written, (std::vector<std::string>{"update edited"}));
  EXPECT_EQ(data.rows.RecNo(), 5);
  EXPECT_EQ(Cell(1, 2), "edited");

  // Text the field cannot take is refused by the field, and nothing is edited by an unchanged cell.
  EXPECT_THROW(model().setData(model().index(4, 1), "five"), EConvertError);
  data.rows.Cancel();
  EXPECT_TRUE(model().setData(model().index(2, 2), "row 3"));
  EXPECT_EQ(data.rows.State(), dsBrowse);
}

// Typing into a cell editor: Enter writes the field, moving to another row posts; an editor
// still open when something else moves the dataset writes nothing to the record moved to.
TEST_F(DBGridFixture, CellEditorWritesThroughTheFieldOfItsOwnRecord) {
  data.rows.Open();
  grid.show();
  QCoreApplication::processEvents();
  auto typeInto = [&](int row, const QString& text) {
    QModelIndex cell = model().index(row, 2);
    grid.setCurrentIndex(cell);
    grid.edit(cell);
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    EXPECT_NE(editor, nullptr);
    if (editor) editor->setText(text);
    return editor;
  };

  QTest::keyClick(typeInto(1, "typed"), Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits on a queued call
  EXPECT_EQ(data.rows.State(), dsEdit);
  EXPECT_EQ(data.rows.FieldByName("note").AsString(), "typed");
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(data.rows.RecNo(), 3);
  EXPECT_EQ(data.rows.Written, (std::vector<std::string>{"update typed"}));

  typeInto(3, "left open");
  data.rows.First();
  EXPECT_EQ(grid.currentIndex().row(), 0);
  EXPECT_EQ(data.rows.State(), dsBrowse);
  EXPECT_EQ(Notes(), (QStringList{"row 1", "typed", "row 3", "row 4", "row 5"}));
}

// A navigator button takes the focus from an open cell editor, whose text reaches the record
// before the button moves on.
TEST(DBGrid, NavigatorButtonPostsTheTextOfAnOpenCellEditor) {
  TPixelSource data(3);
  QWidget window;
  auto* grid = new TDBGrid(&window);
  auto* navigator = new TDBNavigator(&window);
  grid->setGeometry(0, 0, 400, 150);
  navigator->setGeometry(0, 160, 250, 25);
  grid->SetDataSource(&data.source);
  navigator->SetDataSource(&data.source);
  data.rows.Open();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  QModelIndex cell = grid->Model().index(0, 2);
  grid->setCurrentIndex(cell);
  grid->edit(cell);
  auto* editor = grid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setFocus();
  editor->setText("typed");
  QTest::mouseClick(navigator->Button(nbNext), Qt::LeftButton);
  EXPECT_EQ(data.rows.RecNo(), 2);
  EXPECT_EQ(data.rows.Written, (std::vector<std::string>{"update typed"}));
}

// Tab moves between cells; Ctrl+Tab and Ctrl+Shift+Tab leave the grid for its neighbours.
TEST(DBGrid, CtrlTabLeavesTheGridWhereTabMovesBetweenCells) {
  TPixelSource data(3);
  QWidget window;
  auto* before = new QLineEdit(&window);
  auto* grid = new TDBGrid(&window);
  auto* after = new QLineEdit(&window);
  grid->setGeometry(0, 30, 400, 150);
  after->move(0, 190);
  grid->SetDataSource(&data.source);
  data.rows.Open();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  grid->setFocus();
  grid->setCurrentIndex(grid->Model().index(0, 0));
  QTest::keyClick(grid, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), grid);
  EXPECT_EQ(grid->currentIndex(), grid->Model().index(0, 1));

  const std::pair<Qt::KeyboardModifiers, QWidget*> leaves[] = {{Qt::ControlModifier, after},
                                                               {Qt::ControlModifier | Qt::ShiftModifier, before}};
  for (const auto& [modifiers, neighbour] : leaves) {
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab, modifiers);
    EXPECT_EQ(QApplication::focusWidget(), neighbour) << modifiers.toInt();
  }
}

TEST_F(DBGridFixture, EscapeCancelsAPendingInsertAndReadOnlyCellsAreNotEditable) {
  data.rows.Open();
  data.rows.Insert();
  QTest::keyClick(&grid, Qt::Key_Escape);
  EXPECT_EQ(data.rows.State(), dsBrowse);
  EXPECT_EQ(model().rowCount(), 5);

  data.rows.ReadOnly = true;
  EXPECT_FALSE(model().flags(model().index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(DBGridFixture, TitleClickTellsTheFieldName) {
  data.rows.Open();
  std::vector<std::string> clicked;
  grid.OnTitleClick = [&](TDBGrid& sender, const std::string& name) {
    EXPECT_EQ(&sender, &grid);
    clicked.push_back(name);
    data.rows.Close();  // as re-running the statement does, freeing the fields
    data.rows.Open();
  };
  grid.show();
  QCoreApplication::processEvents();
  QHeaderView* titles = grid.horizontalHeader();
  for (int column : {2, 0}) {
    QPoint middle(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2, titles->height() / 2);
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, middle);
  }
  EXPECT_EQ(clicked, (std::vector<std::string>{"note", "mac"}));
}

// Opening many rows reads none of them; painting reads only what is in view.
TEST(DBGrid, ReadsOnlyTheRowsItPaints) {
  TPixelSource data(100000);
  TDBGrid grid;
  grid.SetDataSource(&data.source);
  grid.resize(400, 200);
  data.rows.Open();
  EXPECT_EQ(grid.Model().rowCount(), 100000);
  EXPECT_EQ(data.rows.RowReads, 0);

  grid.grab();
  EXPECT_GT(data.rows.RowReads, 0);
  EXPECT_LT(data.rows.RowReads, 3 * 40);
  data.rows.RowReads = 0;
  data.rows.SetRecNo(90000);
  grid.grab();
  EXPECT_EQ(grid.currentIndex().row(), 89999);
  EXPECT_LT(data.rows.RowReads, 3 * 40);
}

TEST(DBGrid, Screenshot) {
  TPixelSource data(12);
  TDBGrid grid;
  grid.SetDataSource(&data.source);
  grid.OnRecordBackground = Stripe;
  grid.resize(575, 299);
  data.rows.Open();
  data.rows.SetRecNo(3);
  grid.show();
  ASSERT_TRUE(QDir().mkpath("screenshots"));
  QImage image = grid.grab().toImage();
  ASSERT_TRUE(image.save("screenshots/grid.png"));

  // A cell of the first record white, of the second cream, away from the text.
  QRect first = grid.visualRect(grid.Model().index(0, 2)), second = grid.visualRect(grid.Model().index(1, 2));
  QPoint offset = grid.viewport()->mapTo(&grid, QPoint(0, 0));
  EXPECT_EQ(image.pixelColor(first.topRight() + offset + QPoint(-3, 3)), White);
  EXPECT_EQ(image.pixelColor(second.topRight() + offset + QPoint(-3, 3)), Cream);
}
