#include "shell/intro_page.h"

#include "resources/tamari3/ids.h"

bool intro_page::on_init(wklib::window_holder& window) {
  window.set_item_text(IDC_INTRO_TEXT,
                       "Windows用TeXの基本的なソフトウェア群である以下をダウンロード＆インストールし"
                       "ます．\r\n\r\n・ 汐見さんによるW32TeX\r\n・ dviout for Windows\r\n・ "
                       "GhostScript\r\n・ GSView\r\n・ その他関連するソフトウェア\r\n");
  return true;
}
