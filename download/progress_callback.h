// The bind-status callback handed to each URL download: its progress
// notifications move the bar, write the status line and abort the download once
// Cancel was pressed. It belongs to its dialog and never frees itself.
//
// It also takes the HTTP answer's status (IHttpNegotiate, found through
// IServiceProvider): URLDownloadToFileA can report success for a 404 whose error
// page it saved, which must not pass for the archive.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <cstdint>

#include "support/string.h"

// Where the notifications go, on the downloading thread.
class progress_sink {
 public:
  virtual ~progress_sink() = default;
  virtual bool cancelled() const = 0;
  virtual void show_position(int position) = 0;
  virtual void show_status(const wklib::string& status) = 0;
};

class progress_callback : public IBindStatusCallback,
                          public IServiceProvider,
                          public IHttpNegotiate {
 public:
  explicit progress_callback(progress_sink& sink) : sink_(sink) {}

  // The file the next notifications are about.
  void start_file(const wklib::string& name, std::uint32_t expected_size) {
    name_ = name;
    expected_ = expected_size;
    response_code_ = 0;
  }
  // The HTTP status of the current file's answer; 0 when none came (FTP).
  DWORD response_code() const { return response_code_; }
  // The status text the last notification wrote (the current file's name).
  const wklib::string& status_text() const { return status_text_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progress_max, ULONG status_code,
                                       LPCWSTR status_text) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                 LPWSTR* additional_headers) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR,
                                       LPWSTR* additional_headers) override;

 private:
  progress_sink& sink_;
  wklib::string name_;
  std::uint32_t expected_ = 0;
  wklib::string status_text_;
  LONG references_ = 0;
  DWORD response_code_ = 0;
};
