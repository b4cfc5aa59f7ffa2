// Where the student client lives and what its program is called, for every part that installs,
// finds, starts, stops or removes it.
#pragma once

// Under the user's local application-data folder, with its closing "\".
constexpr wchar_t kInstallSubfolder[] = L"Quillmor\\TavoraStudent\\";
constexpr wchar_t kClientExeName[] = L"TavoraStudent.exe";
