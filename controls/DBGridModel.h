#pragma once
// The table model behind the data grid: the dataset's records read in place, row by row.
#include "controls/CallbackDataLink.h"

#include <QAbstractTableModel>
#include <QColor>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TDataSet;
class TDataSource;
class TField;

// A table over the dataset of a data source: one column per visible field, one row per record,
// plus the record being inserted at its place. Cells are read on demand from the record at that
// row (never by moving the cursor), so opening a large dataset copies nothing.
class TDBGridModel : public QAbstractTableModel {
 public:
  explicit TDBGridModel(QObject* parent = nullptr);

  void SetDataSource(TDataSource* source);
  TDataSource* DataSource() const { return link_.DataSource(); }

  // Background of the cells of a record by its number (from 1; -1 while the record is being
  // inserted); an invalid colour leaves the view's own.
  std::function<QColor(int recordNumber)> RecordBackground;
  // Told after each notification from the dataset, with the row of the current record.
  std::function<void(int row)> OnPositionChanged;

  TField* ColumnField(int column) const;
  // The row of the current record, -1 when there is none.
  int CurrentRow() const { return currentRow_; }
  // The number of the record shown in a row, as RecordBackground receives it; 0 for none.
  int RecordNumber(int row) const;
  // Makes the record shown in a row the current one, posting a pending change first.
  void MoveToRow(int row);
  // True while the model follows a notification from the dataset.
  bool Following() const { return following_; }
  // While held the model reads nothing of the dataset (another thread may own it) and its cells
  // are empty; the dataset's next notification brings them back.
  void SetHeld(bool held) { held_ = held; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  void multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 private:
  // Where the values of a row come from: a record of the store, the dataset's edit or insert
  // buffer, or nothing (a row that is going away).
  struct TRowSource {
    enum { None, Stored, Buffer } kind = None;
    std::size_t index = 0;  // of a stored record
    int recordNumber = 0;   // -1 for a record being inserted
  };

  bool IsCell(const QModelIndex& index) const;
  TDataSet* ActiveDataSet() const;
  TRowSource SourceOf(int row) const;
  QVariant CellData(const TRowSource& source, const TField* field, int role) const;

  // Rebuilds columns and rows after the dataset opened, closed or changed its fields.
  void Rebuild();
  // Brings the rows in line with the dataset: an insert started, cancelled or posted, a record
  // deleted, rows fetched; anything else resets the rows.
  void SyncRows();
  void CurrentRecordChanged();
  void AllRowsChanged();
  void RowChanged(int row);
  void UpdatePosition();
  // Runs a notification handler with Following() true.
  void Follow(const std::function<void()>& handler);

  TCallbackDataLink link_;
  std::vector<std::size_t> columns_;  // positions in the dataset's field list
  int rows_ = 0;
  int storedRows_ = 0;
  int newRow_ = -1;   // the row of the record being inserted
  int goneRow_ = -1;  // the row of a deleted record while its removal is announced
  int currentRow_ = -1;
  int currentState_ = 0;
  bool following_ = false;
  bool held_ = false;
  // Room for a cell's text, kept between cells so that painting allocates only the QString.
  mutable std::string cellText_;
};
