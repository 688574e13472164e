#include "controls/DBGridModel.h"

#include "dataset/DataSet.h"
#include "dataset/DataSource.h"

#include <QBrush>

namespace {

bool IsNumeric(TFieldType type) {
  using enum TFieldType;
  switch (type) {
    case ftShortint:
    case ftByte:
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftLongWord:
    case ftLargeint:
    case ftFloat:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

// The marks of the row indicator: browsing, editing, inserting.
QString IndicatorMark(TDataSetState state) {
  switch (state) {
    case dsEdit:
      return QStringLiteral("I");
    case dsInsert:
      return QStringLiteral("*");
    default:
      return QStringLiteral("\u25B6");
  }
}

}  // namespace

TDBGridModel::TDBGridModel(QObject* parent) : QAbstractTableModel(parent) {
  link_.OnActiveChanged = [this] { Follow([this] { Rebuild(); }); };
  link_.OnLayoutChanged = link_.OnActiveChanged;
  link_.OnDataSetChanged = [this] {
    Follow([this] {
      SyncRows();
      AllRowsChanged();
    });
  };
  link_.OnDataSetScrolled = [this] { Follow([this] { SyncRows(); }); };
  link_.OnEditingChanged = [this] { Follow([this] { CurrentRecordChanged(); }); };
  link_.OnRecordChanged = [this](TField*) { Follow([this] { CurrentRecordChanged(); }); };
}

void TDBGridModel::SetDataSource(TDataSource* source) {
  link_.SetDataSource(source);  // tells ActiveChanged, which rebuilds
}

bool TDBGridModel::IsCell(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < rows_ &&
         static_cast<std::size_t>(index.column()) < columns_.size();
}

TDataSet* TDBGridModel::ActiveDataSet() const {
  if (held_) return nullptr;
  TDataSet* dataSet = link_.DataSet();
  return dataSet && dataSet->Active() ? dataSet : nullptr;
}

void TDBGridModel::Follow(const std::function<void()>& handler) {
  bool outer = following_;
  following_ = true;
  try {
    handler();
    UpdatePosition();
  } catch (...) {
    following_ = outer;
    throw;
  }
  if (OnPositionChanged) OnPositionChanged(currentRow_);
  following_ = outer;
}

void TDBGridModel::Rebuild() {
  beginResetModel();
  columns_.clear();
  rows_ = storedRows_ = 0;
  newRow_ = goneRow_ = -1;
  if (TDataSet* dataSet = ActiveDataSet()) {
    const auto& fields = dataSet->Fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
      if (fields[i]->Visible) columns_.push_back(i);
    storedRows_ = dataSet->RecordCount();
    newRow_ = dataSet->State() == dsInsert ? static_cast<int>(dataSet->ActiveIndex()) : -1;
    rows_ = storedRows_ + (newRow_ >= 0);
  }
  endResetModel();
}

void TDBGridModel::SyncRows() {
  TDataSet* dataSet = ActiveDataSet();
  if (!dataSet) {
    if (rows_ || !columns_.empty()) Rebuild();
    return;
  }
  int stored = dataSet->RecordCount();
  int newRow = dataSet->State() == dsInsert ? static_cast<int>(dataSet->ActiveIndex()) : -1;
  if (stored == storedRows_ && newRow == newRow_) return;

  if (stored == storedRows_ && newRow_ < 0 && newRow <= rows_) {  // insert started
    beginInsertRows({}, newRow, newRow);
    newRow_ = newRow;
    ++rows_;
    endInsertRows();
  } else if (stored == storedRows_ && newRow_ >= 0 && newRow < 0) {  // insert cancelled
    beginRemoveRows({}, newRow_, newRow_);
    newRow_ = -1;
    --rows_;
    endRemoveRows();
  } else if (stored == storedRows_ + 1 && newRow_ >= 0 && newRow < 0) {  // insert posted
    int row = newRow_;
    newRow_ = -1;
    storedRows_ = stored;
    RowChanged(row);
  } else if (stored == storedRows_ - 1 && newRow_ < 0 && newRow < 0 && currentRow_ >= 0 &&
             currentRow_ < rows_) {  // the current record deleted
    goneRow_ = currentRow_;
    beginRemoveRows({}, goneRow_, goneRow_);
    goneRow_ = -1;
    storedRows_ = stored;
    --rows_;
    endRemoveRows();
  } else if (stored > storedRows_ && newRow_ < 0 && newRow < 0) {  // rows fetched
    beginInsertRows({}, rows_, rows_ + stored - storedRows_ - 1);
    storedRows_ = rows_ = stored;
    endInsertRows();
  } else {
    Rebuild();
  }
}

void TDBGridModel::CurrentRecordChanged() {
  SyncRows();
  UpdatePosition();
  RowChanged(currentRow_);
}

void TDBGridModel::AllRowsChanged() {
  if (rows_ > 0 && !columns_.empty())
    emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1));
}

void TDBGridModel::RowChanged(int row) {
  if (row >= 0 && row < rows_ && !columns_.empty())
    emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
}

// Moves the row indicator when the current record or the state changed.
void TDBGridModel::UpdatePosition() {
  TDataSet* dataSet = ActiveDataSet();
  int row = dataSet && rows_ > 0 ? static_cast<int>(dataSet->ActiveIndex()) : -1;
  if (row >= rows_) row = rows_ - 1;
  int state = dataSet ? dataSet->State() : dsInactive;
  if (row == currentRow_ && state == currentState_) return;
  int previous = currentRow_;
  currentRow_ = row;
  currentState_ = state;
  for (int changed : {previous, row})
    if (changed >= 0 && changed < rows_) emit headerDataChanged(Qt::Vertical, changed, changed);
}

TDBGridModel::TRowSource TDBGridModel::SourceOf(int row) const {
  TDataSet* dataSet = ActiveDataSet();
  if (!dataSet || row < 0 || row >= rows_) return {};
  if (newRow_ >= 0) {
    if (row == newRow_) return dataSet->State() == dsInsert ? TRowSource{TRowSource::Buffer, 0, -1} : TRowSource{};
    if (row > newRow_) --row;
  } else if (goneRow_ >= 0) {
    if (row == goneRow_) return {};
    if (row > goneRow_) --row;
  }
  auto index = static_cast<std::size_t>(row);
  if (index >= static_cast<std::size_t>(dataSet->RecordCount())) return {};
  bool editing = dataSet->State() == dsEdit && dataSet->ActiveIndex() == index;
  return {editing ? TRowSource::Buffer : TRowSource::Stored, index, row + 1};
}

TField* TDBGridModel::ColumnField(int column) const {
  TDataSet* dataSet = ActiveDataSet();
  if (!dataSet || column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return nullptr;
  std::size_t position = columns_[static_cast<std::size_t>(column)];
  return position < dataSet->Fields().size() ? dataSet->Fields()[position].get() : nullptr;
}

int TDBGridModel::RecordNumber(int row) const {
  return SourceOf(row).recordNumber;
}

QVariant TDBGridModel::CellData(const TRowSource& source, const TField* field, int role) const {
  if (source.kind == TRowSource::None || !field) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      if (source.kind == TRowSource::Buffer)
        field->GetText(cellText_);
      else
        field->GetTextAt(source.index, cellText_);
      return QString::fromUtf8(cellText_.data(), static_cast<qsizetype>(cellText_.size()));
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter | (IsNumeric(field->DataType()) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::BackgroundRole: {
      if (!RecordBackground) return {};
      QColor colour = RecordBackground(source.recordNumber);
      return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
    }
    default:
      return {};
  }
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
  if (!IsCell(index)) return {};
  return CellData(SourceOf(index.row()), ColumnField(index.column()), role);
}

// A view asks for several roles of a cell at once; the row's record is found once for all.
void TDBGridModel::multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const {
  bool valid = IsCell(index);
  TRowSource source = valid ? SourceOf(index.row()) : TRowSource{};
  const TField* field = valid ? ColumnField(index.column()) : nullptr;
  for (QModelRoleData& roleData : roleDataSpan) roleData.setData(CellData(source, field, roleData.role()));
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    const TField* field = ColumnField(section);
    return field ? QVariant(QString::fromStdString(field->FieldName())) : QVariant();
  }
  if (section != currentRow_ || section < 0) return {};
  return IndicatorMark(static_cast<TDataSetState>(currentState_));
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
  if (!IsCell(index)) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const TField* field = ColumnField(index.column());
  if (field && !field->ReadOnly && field->DataSet().CanModify()) flags |= Qt::ItemIsEditable;
  return flags;
}

void TDBGridModel::MoveToRow(int row) {
  TDataSet* dataSet = ActiveDataSet();
  if (!dataSet || row < 0 || row >= rows_ || row == currentRow_) return;
  // Posting a new record turns its row into a stored one, so that afterwards every row is the
  // record of the same position.
  dataSet->CheckBrowseMode();
  dataSet->SetRecNo(row + 1);
}

// Editing a cell edits the current record through the field, starting the edit as the data
// source allows. Writes that reach the model while it follows the dataset come from an editor
// closed by a move elsewhere and are dropped.
bool TDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || following_ || !IsCell(index)) return false;
  TField* field = ColumnField(index.column());
  TDataSet* dataSet = ActiveDataSet();
  if (!field || !dataSet) return false;
  MoveToRow(index.row());
  std::string text = value.toString().toStdString();
  if (field->AsString() == text) return true;  // an editor left unchanged does not start an edit
  if (dataSet->State() == dsBrowse && DataSource()) DataSource()->Edit();
  if (dataSet->State() != dsEdit && dataSet->State() != dsInsert) return false;
  field->SetAsString(text);
  return true;
}
