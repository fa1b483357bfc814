// Writers of HTML form elements for form pages: each replaces the contents of `out` with one
// element - a text field, a text area (normal, large, or of a list's lines), a select (with or
// without a chosen item) or a checkbox. Every name and value is escaped where it lands: "&",
// "<", ">" and '"' become "&amp;", "&lt;", "&gt;" and "&quot;", so no value can end its
// attribute or its element. One thread at a time per text; nothing yields.
#pragma once

#include "CList.h"
#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <span>

// <INPUT TYPE="text" NAME="name" VALUE="value" SIZE=size>; a list's items joined with ",".
void WriteTextField(CText& out, const char* name, const CText& value, SInt32 size);
void WriteTextField(CText& out, const char* name, const char* value, SInt32 size);
void WriteTextField(CText& out, const char* name, const CList<CString256>& values, SInt32 size);
// <TEXTAREA NAME="name" ROWS=12 COLS=60>value</TEXTAREA>; a list's items joined with "\r\n".
void WriteTextArea(CText& out, const char* name, const CText& value);
void WriteTextArea(CText& out, const char* name, const CList<CString256>& lines);
void WriteTextArea(CText& out, const char* name, const CList<CText>& lines);
// As the text area, 40 rows of 80 columns.
void WriteLargeTextArea(CText& out, const char* name, const CText& value);
// <SELECT NAME="name"><OPTION>item…</SELECT>; with a chosen value, the items equal to it
// (ASCII letters in either case) are <OPTION SELECTED>.
void WriteSelect(CText& out, const char* name, const CList<CString256>& items);
void WriteSelect(CText& out, const char* name, std::span<const char* const> items, const char* chosen);
// <INPUT TYPE="checkbox" NAME="name" VALUE="locked"> with " CHECKED" before the ">" when checked.
void WriteCheckbox(CText& out, const char* name, Boolean checked);
