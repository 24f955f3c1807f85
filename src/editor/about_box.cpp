#include "editor/about_box.h"

namespace {

// Each line stays within about 75 characters so that the edit control,
// which does not wrap, shows it whole at the box's width.
constexpr char kAboutDisclaimer[] =
    "DISCLAIMER - AGREEMENT\r\n"
    "\r\n"
    "Users of Keyloom must accept the following disclaimer of warranty:\r\n"
    "\r\n"
    "\"Keyloom is supplied as is. The author disclaims all warranties,\r\n"
    "expressed or implied, including, without limitation, the warranties of\r\n"
    "merchantability and of fitness for any purpose. The author assumes no\r\n"
    "liability for damages, direct or consequential, which may result from\r\n"
    "the use of Keyloom.\"\r\n"
    "\r\n"
    "Keyloom is free of charge. You may use it on any number of machines and\r\n"
    "give away unchanged copies, but you may not sell it, rent it or bundle\r\n"
    "it with a product for sale without the written consent of Tallow Labs.\r\n"
    "\r\n"
    "Questions, bug reports and wishes by e-mail: keyloom@tallowlabs.example\r\n"
    "New versions on the web: http://www.tallowlabs.example/keyloom";

}  // namespace

const char* AboutDisclaimerText() {
    return kAboutDisclaimer;
}
