#pragma once
// The generic dataset: states, cursor, fields, events and data-source notifications.
#include "dataset/Component.h"
#include "dataset/Exceptions.h"
#include "dataset/Field.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class TDataSource;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum TDataEvent { deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateState };

enum TDataAction { daFail, daAbort, daRetry };

// The generic dataset: states, a cursor over the records with BOF/EOF and record numbers,
// field objects, the Before/After events and notifications to attached data sources. Where the
// records live and how changes are written is left to subclasses.
class TDataSet : public TComponent {
 public:
  using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
  using TDataSetErrorEvent = std::function<void(TDataSet&, const std::exception&, TDataAction&)>;

  TDataSet() = default;
  ~TDataSet() override;

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetErrorEvent OnPostError, OnDeleteError;

  void Open();
  void Close();
  bool Active() const { return FState != dsInactive; }
  void SetActive(bool value) { value ? Open() : Close(); }
  TDataSetState State() const { return FState; }

  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  bool IsEmpty() const { return GetRecordCount() == 0; }
  int RecordCount() const;
  // 1-based position of the current record; -1 for an unposted new record, 0 when empty.
  int RecNo() const;
  void SetRecNo(int value);

  void Insert();
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();
  // Posts a pending insert or edit.
  void CheckBrowseMode();
  virtual bool CanModify() const { return Active(); }

  const std::vector<std::unique_ptr<TField>>& Fields() const { return FFields; }
  TField* FindField(std::string_view name) const;
  // Case-insensitive; an unknown name raises "Field '%s' not found".
  TField& FieldByName(std::string_view name) const;

  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

  // Called by the field objects.
  virtual TValue GetFieldValue(const TField& field) const = 0;
  // A field of the stored record at a 0-based index, read in place: grids paint rows this way
  // without moving the cursor. NULL for an index past the records.
  virtual TValue GetFieldValueAt(const TField& field, std::size_t index) const = 0;
  // The text of a field whose record holds it as text, written into out without an
  // intermediate value; false when the text is to be formatted from GetFieldValue instead.
  // Pure, so that no guess at the implementation is compiled into every read of a text.
  virtual bool GetFieldText(const TField& field, std::string& out) const = 0;
  virtual bool GetFieldTextAt(const TField& field, std::size_t index, std::string& out) const = 0;
  // 0-based row of the record the fields show; a new record counts at its insert position.
  std::size_t ActiveIndex() const { return FState == dsInsert ? FInsertPosition : FCurrent; }
  void SetFieldValue(TField& field, const TValue& nativeValue);

 protected:
  // Opens the cursor and creates the field objects (AddField).
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual int GetRecordCount() const = 0;
  // Reads more rows when the dataset reads them on demand; false when there are no more.
  virtual bool FetchMore() { return false; }
  virtual void InternalInsert(std::size_t position) = 0;
  virtual void InternalEdit() = 0;
  // Writes the change; throws, leaving the state unchanged, when it cannot.
  virtual void InternalPost() = 0;
  virtual void InternalCancel() = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalRefresh() = 0;
  virtual void StoreFieldValue(TField& field, const TValue& nativeValue) = 0;

  TField& AddField(std::unique_ptr<TField> field);
  void DestroyFields() { FFields.clear(); }
  void DataEvent(TDataEvent event, TField* field = nullptr);
  void SetState(TDataSetState state);
  void CheckActive() const;
  // Puts the cursor on a record (0-based) after a change of the records.
  void SetCurrent(std::size_t index);
  std::size_t CurrentIndex() const { return FCurrent; }
  std::size_t InsertPosition() const { return FInsertPosition; }

 private:
  friend class TDataSource;
  void Scroll(std::size_t index);
  void HandleError(const TDataSetErrorEvent& handler, const std::function<void()>& action);

  TDataSetState FState = dsInactive;
  std::vector<std::unique_ptr<TField>> FFields;
  std::vector<TDataSource*> FDataSources;
  std::size_t FCurrent = 0;
  std::size_t FInsertPosition = 0;
  bool FBof = true;
  bool FEof = true;
  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;
};
