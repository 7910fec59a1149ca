// W32TeX: the chosen tar archives unpacked into the installation directory by
// the distribution's own tar.exe, which comes in the texinst archive that the
// catalogue unpacked into the save directory's texinst\.
#pragma once

#include "install/package_step.h"

// Copies texinst\*.exe into the installation directory, runs tar once per
// archive there, and deletes the copies again. Sets the w32tex field (成功 or
// 失敗; a cancel while copying leaves キャンセル). True when every archive was
// unpacked and no cancel came.
bool install_w32tex(step_context& context);

extern const package_step w32tex_package;
