// Template texts of real dialogs of the program, written with the template writers: the
// worksheet's site panel and the Options and Connection pages of the settings dialog.
// `dialogStyle` replaces the dialog's window style (0 keeps the one of the real dialog).
#pragma once

#include <cstdint>
#include <string>

std::u16string SitePanelTemplate(uint32_t dialogStyle = 0);
std::u16string OptionsPageTemplate(uint32_t dialogStyle = 0);
std::u16string ConnectionPageTemplate(uint32_t dialogStyle = 0);
