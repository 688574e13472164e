#pragma once
// The data grid control over a data source's dataset.
#include "controls/DBGridModel.h"

#include <QColor>
#include <QTableView>

#include <functional>
#include <string>

class QLabel;
class TDataSource;

// A data grid: shows the dataset of a data source with the field names as column titles and a
// row indicator at the current record, follows the dataset's position, moves it when a row is
// chosen, and edits cells through the fields.
class TDBGrid : public QTableView {
 public:
  explicit TDBGrid(QWidget* parent = nullptr);

  void SetDataSource(TDataSource* source);
  TDataSource* DataSource() const { return model_->DataSource(); }
  TDBGridModel& Model() { return *model_; }
  // While another thread owns the dataset the grid reads nothing of it and a picture of the grid
  // as it was stands in; released, it shows what the dataset's next notification tells.
  void HoldOffDataSet(bool held);

  // Background of a record's cells by its number (from 1; -1 while it is being inserted); an
  // invalid colour keeps the grid's own.
  std::function<QColor(TDBGrid& sender, int recordNumber)> OnRecordBackground;
  // A click on a column title, with the field name of that column.
  std::function<void(TDBGrid& sender, const std::string& fieldName)> OnTitleClick;

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Puts the grid's current cell on the row of the dataset's current record.
  void FollowDataSet();
  void SizeColumns();
  void TitleClicked(int column);

  TDBGridModel* model_;  // a child, so that it outlives the view's own teardown
  QLabel* heldPicture_ = nullptr;
  bool movingDataSet_ = false;
  bool followingDataSet_ = false;
};
