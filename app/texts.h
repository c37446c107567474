// Texts by string ID in the user interface language, the choice of that language, the Russian
// resource library, and the profile settings of the wizard.
#pragma once

#include <windows.h>

#include <string>

// The module whose string table LoadText reads: the program, or the Russian library once
// loaded. Null until first used.
extern HMODULE g_hLangModule;

// Index of a user interface language.
enum { kLanguageEnglish = 0, kLanguageRussian = 1 };

// The text of id in the current language, copied into the next of four buffers: the pointer
// stays valid for the next three calls. At most 255 units. Null when there is no such text
// or it is empty.
const wchar_t* LoadText(UINT id);
// LoadText, with an empty text where there is none: for painting and captions.
const wchar_t* LoadTextOrEmpty(UINT id);

// The language setting of profile section "MAIN" (names from the program's texts 129, 130);
// the destination folder is kept by the camera data configuration.
int GetLanguageSetting();  // -1 when none is stored
void SetLanguageSetting(int n);
// Another text entry of section "MAIN"; empty when none is stored or there is no application.
std::wstring GetProfileSetting(const wchar_t* entry);
void SetProfileSetting(const wchar_t* entry, const std::wstring& value);

// 1 when the user's interface language is Russian (0x0419), else 0.
int DetectUILanguage();

// The language in force: the stored one (2 or more counts as English and stays stored), or,
// when none is stored, the detected one, which is stored.
int ChooseLanguage();

// Makes g_hLangModule match ChooseLanguage(): the Russian library from the program folder
// (g_szModuleDir) for Russian when it exists and loads, else the program itself.
void LoadLanguageLibrary();
// Frees a loaded language library; LoadText then reads the program's texts.
void FreeLanguageLibrary();

// The display name of language index (0 English, 1 Russian) in the current language, from
// "Language.txt" in the program folder; the current word for English when the file has no
// name for it. The text lives in one buffer that the next call overwrites.
const wchar_t* GetLanguageName(int index);
