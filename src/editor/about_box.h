// The About box's one piece of content: the disclaimer shown in its edit
// control. The dialog procedure (app/about_dialog_win32.cpp) only displays it.
#pragma once

// The fixed disclaimer and terms of use. Lines end in CR LF, as a multi-line
// edit control needs, and are broken where the box should break them; an
// empty line separates the paragraphs.
const char* AboutDisclaimerText();
