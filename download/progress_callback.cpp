#include "download/progress_callback.h"

#include "download/download_progress.h"

HRESULT progress_callback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
    *object = static_cast<IBindStatusCallback*>(this);
  } else if (IsEqualIID(iid, IID_IServiceProvider)) {
    *object = static_cast<IServiceProvider*>(this);
  } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
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

HRESULT progress_callback::QueryService(REFGUID service, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(service, IID_IHttpNegotiate)) return E_NOINTERFACE;
  return QueryInterface(iid, object);
}

HRESULT progress_callback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                LPWSTR* additional_headers) {
  if (additional_headers) *additional_headers = nullptr;
  return S_OK;
}

HRESULT progress_callback::OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional_headers) {
  if (additional_headers) *additional_headers = nullptr;
  response_code_ = code;
  return S_OK;
}
