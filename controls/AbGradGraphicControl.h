#pragma once
// Base of the painted gradient controls: changes held back between BeginUpdate and EndUpdate.
#include <QWidget>

// A painted control that batches changes: between BeginUpdate and the matching EndUpdate a change
// of its parameters is held back, and EndUpdate reports it once.
class TAbGraphicControl : public QWidget {
 public:
  explicit TAbGraphicControl(QWidget* parent = nullptr);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Requests a repaint and remembers that one was requested.
  void Invalidate();
  bool CompInvalidate() const { return compInvalidate_; }

 protected:
  // Passes a change on to ParamChange unless updates are held back.
  virtual void Change();
  virtual void ParamChange();

 private:
  int updateCount_ = 0;
  bool compInvalidate_ = false;
};
