#include "dataset/DataSet.h"

#include "dataset/DataSource.h"

#include <algorithm>
#include <exception>

namespace {

void Fire(const TDataSet::TDataSetNotifyEvent& event, TDataSet& sender) {
  if (event) event(sender);
}

// Field names are compared without regard to ASCII case; other bytes (UTF-8) must match.
// Folded inline: FieldByName runs for every field set on every posted row.
char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A name spelt as the field's, the usual case, is found without folding.
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a == b || std::equal(a.begin(), a.end(), b.begin(),
                                                       [](char x, char y) { return FoldCase(x) == FoldCase(y); }));
}

}  // namespace

TDataSet::~TDataSet() {
  for (TDataSource* source : FDataSources) source->FDataSet = nullptr;
}

void TDataSet::Open() {
  if (Active()) return;
  Fire(BeforeOpen, *this);
  try {
    InternalOpen();
  } catch (...) {
    DestroyFields();
    throw;
  }
  FCurrent = 0;
  FBof = true;
  FEof = GetRecordCount() == 0;
  SetState(dsBrowse);
  DataEvent(deLayoutChange);
  Fire(AfterOpen, *this);
}

void TDataSet::Close() {
  if (!Active()) return;
  Fire(BeforeClose, *this);
  if (FState == dsEdit || FState == dsInsert) InternalCancel();
  // What the cursor reports as it closes (a later result's error) is raised once the dataset is
  // closed: an error never leaves it half open.
  std::exception_ptr closingError;
  try {
    InternalClose();
  } catch (...) {
    closingError = std::current_exception();
  }
  DestroyFields();
  FCurrent = 0;
  FBof = FEof = true;
  SetState(dsInactive);
  Fire(AfterClose, *this);
  if (closingError) std::rethrow_exception(closingError);
}

int TDataSet::RecordCount() const {
  return Active() ? GetRecordCount() : 0;
}

int TDataSet::RecNo() const {
  if (FState == dsInsert) return -1;
  if (!Active() || GetRecordCount() == 0) return 0;
  return static_cast<int>(FCurrent) + 1;
}

void TDataSet::Scroll(std::size_t index) {
  Fire(BeforeScroll, *this);
  FCurrent = index;
  DataEvent(deDataSetScroll);
  Fire(AfterScroll, *this);
}

void TDataSet::First() {
  CheckBrowseMode();
  // The flags are set before the scroll notification, so that controls read the new ones.
  FBof = true;
  FEof = GetRecordCount() == 0;
  Scroll(0);
}

void TDataSet::Last() {
  CheckBrowseMode();
  while (FetchMore()) {
  }
  std::size_t count = static_cast<std::size_t>(GetRecordCount());
  FEof = true;
  FBof = count == 0;
  Scroll(count ? count - 1 : 0);
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  if (distance == 0 || GetRecordCount() == 0) {
    if (distance > 0) FEof = true;
    if (distance < 0) FBof = true;
    return 0;
  }
  long long target = static_cast<long long>(FCurrent) + distance;
  while (target >= GetRecordCount() && FetchMore()) {
  }
  long long count = GetRecordCount();
  bool pastEnd = target >= count, beforeStart = target < 0;
  target = std::clamp(target, 0LL, count - 1);
  int moved = static_cast<int>(target - static_cast<long long>(FCurrent));
  bool edgeReached = FEof != pastEnd || FBof != beforeStart;
  FEof = pastEnd;
  FBof = beforeStart;
  if (moved != 0)
    Scroll(static_cast<std::size_t>(target));
  else if (edgeReached)
    DataEvent(deDataSetScroll);  // controls that show the edges must hear of it
  return moved;
}

void TDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  while (value > GetRecordCount() && FetchMore()) {
  }
  int count = GetRecordCount();
  if (count == 0) return;
  value = std::clamp(value, 1, count);
  FBof = FEof = false;
  if (static_cast<std::size_t>(value - 1) != FCurrent) Scroll(static_cast<std::size_t>(value - 1));
}

void TDataSet::SetCurrent(std::size_t index) {
  std::size_t count = static_cast<std::size_t>(GetRecordCount());
  FCurrent = count == 0 ? 0 : std::min(index, count - 1);
  FBof = FEof = count == 0;
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (FState == dsEdit || FState == dsInsert) Post();
}

void TDataSet::Insert() {
  CheckBrowseMode();
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  Fire(BeforeInsert, *this);
  std::size_t count = static_cast<std::size_t>(GetRecordCount());
  FInsertPosition = (count == 0 || FEof) ? count : FCurrent;
  InternalInsert(FInsertPosition);
  SetState(dsInsert);
  DataEvent(deDataSetChange);
  Fire(AfterInsert, *this);
}

void TDataSet::Append() {
  CheckBrowseMode();
  while (FetchMore()) {
  }
  FEof = true;
  Insert();
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  CheckActive();
  if (GetRecordCount() == 0) return Insert();
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  Fire(BeforeEdit, *this);
  InternalEdit();
  SetState(dsEdit);
  DataEvent(deRecordChange);
  Fire(AfterEdit, *this);
}

void TDataSet::HandleError(const TDataSetErrorEvent& handler, const std::function<void()>& action) {
  for (;;) {
    try {
      action();
      return;
    } catch (const EAbort&) {
      throw;
    } catch (const std::exception& error) {
      TDataAction choice = daFail;
      if (handler) handler(*this, error, choice);
      if (choice == daFail) throw;
      if (choice == daAbort) throw EAbort();
    }
  }
}

void TDataSet::Post() {
  if (FState != dsEdit && FState != dsInsert) return;
  Fire(BeforePost, *this);
  HandleError(OnPostError, [this] { InternalPost(); });
  FBof = FEof = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(AfterPost, *this);
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  Fire(BeforeCancel, *this);
  InternalCancel();
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  Fire(AfterCancel, *this);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert) return Cancel();
  if (GetRecordCount() == 0) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  if (FState == dsEdit) {
    InternalCancel();
    SetState(dsBrowse);
  }
  Fire(BeforeDelete, *this);
  Fire(BeforeScroll, *this);
  HandleError(OnDeleteError, [this] { InternalDelete(); });
  SetCurrent(FCurrent);
  DataEvent(deDataSetChange);
  Fire(AfterDelete, *this);
  Fire(AfterScroll, *this);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  Fire(BeforeRefresh, *this);
  InternalRefresh();
  DataEvent(deDataSetChange);
  Fire(AfterRefresh, *this);
}

TField* TDataSet::FindField(std::string_view name) const {
  for (const auto& field : FFields)
    if (SameText(field->FieldName(), name)) return field.get();
  return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
  if (TField* field = FindField(name)) return *field;
  throw EDatabaseError(FormatMessage("Field '%s' not found", std::string(name).c_str()));
}

TField& TDataSet::AddField(std::unique_ptr<TField> field) {
  FFields.push_back(std::move(field));
  return *FFields.back();
}

void TDataSet::SetFieldValue(TField& field, const TValue& nativeValue) {
  if (FState != dsEdit && FState != dsInsert) throw EDatabaseError("Dataset not in edit or insert mode");
  if (field.ReadOnly) throw EDatabaseError(FormatMessage("Field '%s' cannot be modified", field.FieldName().c_str()));
  StoreFieldValue(field, nativeValue);
  DataEvent(deFieldChange, &field);
}

void TDataSet::SetState(TDataSetState state) {
  if (state == FState) return;
  FState = state;
  DataEvent(deUpdateState);
}

void TDataSet::DisableControls() {
  if (FDisableCount++ == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0 || --FDisableCount > 0) return;
  if (FDisableState != FState) DataEvent(deUpdateState);
  if (FState != dsInactive) DataEvent(FEnableEvent);
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
  if (FDisableCount > 0) {
    // A close or a new field list while controls are disabled must reach them as a layout change.
    if (event == deLayoutChange || (event == deUpdateState && FState == dsInactive)) FEnableEvent = deLayoutChange;
    return;
  }
  if (FDataSources.empty()) return;  // a loop over a million rows scrolls with nobody to tell
  std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* source : sources) source->DataEvent(event, field);
}
