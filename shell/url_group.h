// A mirror choice on the settings pages: a list of the built-in mirrors, a
// check box for typing a URL instead, and the edit box it is typed into. In
// typed mode the box is ticked, the edit writable and the list disabled; in
// list mode the box is clear, the edit read-only and the list enabled.
#pragma once

#include "shell/page_controls.h"
#include "state/mirror_lists.h"
#include "support/string.h"
#include "support/window_holder.h"

struct url_group {
  int list;
  int check;
  int edit;
};

// Fills the list with `mirrors` and shows the stored URL: as the selected row
// when it was taken from the list (no row selected when none matches exactly),
// else typed into the edit box.
void show_url_group(const wklib::window_holder& window, const url_group& group,
                    const mirror_list& mirrors, const wklib::string& url, bool from_list);

void set_typed_mode(const wklib::window_holder& window, const url_group& group, bool typed);
bool is_typed(const wklib::window_holder& window, const url_group& group);

// What the user chose: the typed text in typed mode, else the selected row's
// text (empty when no row is selected).
wklib::string chosen_url(const wklib::window_holder& window, const url_group& group);
