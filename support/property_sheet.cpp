#include "support/property_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <map>
#include <mutex>
#include <vector>

namespace wklib {

namespace {

// Runners waiting for their sheet's window, by the id of the thread that shows it.
std::mutex g_waiting_lock;
std::map<DWORD, property_sheet*>& waiting_runners() {
  static std::map<DWORD, property_sheet*> runners;
  return runners;
}

property_sheet* take_waiting_runner() {
  std::lock_guard<std::mutex> lock(g_waiting_lock);
  auto& runners = waiting_runners();
  auto found = runners.find(GetCurrentThreadId());
  if (found == runners.end()) return nullptr;
  property_sheet* runner = found->second;
  runners.erase(found);
  return runner;
}

}  // namespace

sheet_window::sheet_window(HWND window)
    : handle(window), vertical(window, SB_VERT), horizontal(window, SB_HORZ), metrics() {
  HDC context = GetDC(window);
  if (context) {
    GetTextMetricsA(context, &metrics);
    ReleaseDC(window, context);
  }
}

property_sheet::property_sheet(HINSTANCE instance) : instance_(instance) {}

property_sheet::~property_sheet() {
  std::lock_guard<std::mutex> lock(g_waiting_lock);
  auto& runners = waiting_runners();
  for (auto it = runners.begin(); it != runners.end();) {
    if (it->second == this)
      it = runners.erase(it);
    else
      ++it;
  }
}

int CALLBACK property_sheet::callback(HWND window, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) {
    property_sheet* runner = take_waiting_runner();
    if (runner) {
      runner->window_.reset(new sheet_window(window));
      runner->on_sheet_created(window);
    }
  }
  return 0;
}

bool property_sheet::run(page_entry* pages, int count, DWORD flags, const char* caption,
                         HWND owner) {
  if (!pages || count <= 0) return false;
  std::vector<HPROPSHEETPAGE> handles;
  handles.reserve(count);
  for (int i = 0; i < count; ++i) {
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = instance_;
    page.pszTemplate = MAKEINTRESOURCEA(pages[i].template_id);
    page.pfnDlgProc = &property_page::procedure;
    page.lParam = reinterpret_cast<LPARAM>(&pages[i]);
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&page);
    if (!handle) {
      for (HPROPSHEETPAGE made : handles) DestroyPropertySheetPage(made);
      return false;
    }
    handles.push_back(handle);
  }

  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = flags | PSH_USECALLBACK;
  header.hwndParent = owner;
  header.hInstance = instance_;
  header.pszCaption = caption;
  header.nPages = static_cast<UINT>(count);
  header.nStartPage = 0;
  header.phpage = handles.data();
  header.pfnCallback = &property_sheet::callback;

  {
    std::lock_guard<std::mutex> lock(g_waiting_lock);
    waiting_runners()[GetCurrentThreadId()] = this;
  }
  INT_PTR result = PropertySheetA(&header);
  // A sheet that failed before its callback ran leaves the entry behind.
  {
    std::lock_guard<std::mutex> lock(g_waiting_lock);
    auto& runners = waiting_runners();
    auto found = runners.find(GetCurrentThreadId());
    if (found != runners.end() && found->second == this) runners.erase(found);
  }
  window_.reset();
  return result != -1;
}

}  // namespace wklib
