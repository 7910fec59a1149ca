#include "download/progress_callback.h"

#include "download/download_progress.h"

HRESULT progress_callback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
    *object = static_cast<IBindStatusCallback*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG progress_callback::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG progress_callback::Release() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

HRESULT progress_callback::OnProgress(ULONG progress, ULONG, ULONG, LPCWSTR) {
  status_text_ = name_;
  if (sink_.cancelled()) return E_ABORT;
  if (name_.empty()) return S_OK;
  sink_.show_position(progress_position(progress, expected_));
  sink_.show_status(progress_status(name_, progress, expected_));
  return S_OK;
}
