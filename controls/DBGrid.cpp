#include "controls/DBGrid.h"

#include "dataset/DataSet.h"
#include "dataset/DataSource.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

namespace {

constexpr int MaxColumnCharacters = 40;

// The width of a column in characters, from what its field can hold rather than from the rows,
// which may be many.
int DisplayCharacters(const TField& field) {
  using enum TFieldType;
  switch (field.DataType()) {
    case ftString:
    case ftWideString:
    case ftBytes:
    case ftVarBytes:
      return field.Size();
    case ftShortint:
    case ftByte:
    case ftSmallint:
    case ftWord:
      return 6;
    case ftInteger:
    case ftLongWord:
      return 11;
    case ftLargeint:
      return 15;
    case ftFloat:
    case ftBCD:
    case ftFMTBcd:
      return 12;
    case ftBoolean:
      return 5;
    case ftDate:
      return 10;
    case ftTime:
      return 8;
    case ftDateTime:
      return 19;
    default:
      return 20;
  }
}

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), model_(new TDBGridModel(this)) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);

  QHeaderView* rows = verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + 6);
  rows->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("\u25B6")) + 12);
  rows->setSectionsClickable(false);

  QHeaderView* titles = horizontalHeader();
  titles->setSectionsClickable(true);
  titles->setHighlightSections(false);
  titles->setSectionResizeMode(QHeaderView::Interactive);
  connect(titles, &QHeaderView::sectionClicked, this, [this](int column) { TitleClicked(column); });

  model_->RecordBackground = [this](int recordNumber) {
    return OnRecordBackground ? OnRecordBackground(*this, recordNumber) : QColor();
  };
  model_->OnPositionChanged = [this](int) { FollowDataSet(); };
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    SizeColumns();
    FollowDataSet();
  });
}

void TDBGrid::SetDataSource(TDataSource* source) {
  model_->SetDataSource(source);
}

void TDBGrid::SizeColumns() {
  int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (int column = 0; column < model_->columnCount(); ++column) {
    const TField* field = model_->ColumnField(column);
    int characters = std::clamp(DisplayCharacters(*field), 1, MaxColumnCharacters);
    int title = fontMetrics().horizontalAdvance(QString::fromStdString(field->FieldName()));
    setColumnWidth(column, std::max(characters * digit, title) + 10);
  }
}

void TDBGrid::HoldOffDataSet(bool held) {
  if (held) {
    if (!heldPicture_) heldPicture_ = new QLabel(this);
    heldPicture_->setPixmap(grab());
    heldPicture_->setGeometry(rect());
    heldPicture_->show();
    heldPicture_->raise();
  } else if (heldPicture_) {
    heldPicture_->hide();
  }
  model_->SetHeld(held);
}

void TDBGrid::FollowDataSet() {
  if (movingDataSet_) return;
  int row = model_->CurrentRow();
  QModelIndex current = currentIndex();
  if (row < 0 || model_->columnCount() == 0 || (current.isValid() && current.row() == row)) return;
  followingDataSet_ = true;
  setCurrentIndex(model_->index(row, current.isValid() ? current.column() : 0));
  followingDataSet_ = false;
}

// Choosing a row moves the dataset there; when the dataset cannot leave its record (a post
// that fails), the grid goes back to that record and the error goes on to the caller.
void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (followingDataSet_ || model_->Following() || !current.isValid()) {
    QTableView::currentChanged(current, previous);
    return;
  }
  movingDataSet_ = true;
  try {
    QTableView::currentChanged(current, previous);  // commits an open editor to its record
    model_->MoveToRow(current.row());
  } catch (...) {
    movingDataSet_ = false;
    FollowDataSet();
    throw;
  }
  movingDataSet_ = false;
  FollowDataSet();
}

// Escape outside a cell editor abandons the pending insert or edit. Tab moves between cells, so
// Ctrl+Tab and Ctrl+Shift+Tab take the focus out of the grid, as on the desktop.
void TDBGrid::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) && event->modifiers() & Qt::ControlModifier) {
    // Past the view's own override, which would move the current cell instead.
    QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
    event->accept();
    return;
  }
  TDataSet* dataSet = DataSource() ? DataSource()->DataSet() : nullptr;
  if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState && dataSet &&
      (dataSet->State() == dsEdit || dataSet->State() == dsInsert)) {
    dataSet->Cancel();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void TDBGrid::TitleClicked(int column) {
  const TField* field = model_->ColumnField(column);
  if (!field || !OnTitleClick) return;
  std::string name = field->FieldName();  // the handler may re-open the dataset and free the field
  OnTitleClick(*this, name);
}
