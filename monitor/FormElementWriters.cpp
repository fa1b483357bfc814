#include "FormElementWriters.h"

#include "TextHelpers.h"

#include <string>
#include <string_view>
#include <type_traits>

namespace {

void AppendEscaped(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
}

std::string_view BytesOf(const CText& text)
{
    return text.buffer ? std::string_view(text.buffer, std::size_t(text.length)) : std::string_view();
}

std::string_view BytesOf(const char* text)
{
    return text ? std::string_view(text) : std::string_view();
}

template <class T>
std::string Joined(const CList<T>& items, std::string_view separator)
{
    std::string joined;
    items.Rewind();
    for (bool first = true; const T* item = items.Next(); first = false) {
        if (!first)
            joined += separator;
        if constexpr (std::is_same_v<T, CText>)
            joined += BytesOf(*item);
        else
            joined += item->text;
    }
    return joined;
}

void Replace(CText& out, const std::string& element)
{
    out.Clear();
    out.AppendBytes(element.data(), long(element.size()));
}

void WriteTextFieldOf(CText& out, const char* name, std::string_view value, SInt32 size)
{
    std::string element = "<INPUT TYPE=\"text\" NAME=\"";
    AppendEscaped(element, BytesOf(name));
    element += "\" VALUE=\"";
    AppendEscaped(element, value);
    element += "\" SIZE=" + std::to_string(size) + ">";
    Replace(out, element);
}

void WriteTextAreaOf(CText& out, const char* name, std::string_view value, const char* rowsAndColumns)
{
    std::string element = "<TEXTAREA NAME=\"";
    AppendEscaped(element, BytesOf(name));
    element += "\" ";
    element += rowsAndColumns;
    element += ">";
    AppendEscaped(element, value);
    element += "</TEXTAREA>";
    Replace(out, element);
}

constexpr char kTextAreaSize[] = "ROWS=12 COLS=60";
constexpr char kLargeTextAreaSize[] = "ROWS=40 COLS=80";

void AppendOption(std::string& element, std::string_view item, bool selected)
{
    element += selected ? "<OPTION SELECTED>" : "<OPTION>";
    AppendEscaped(element, item);
}

std::string SelectOpening(const char* name)
{
    std::string element = "<SELECT NAME=\"";
    AppendEscaped(element, BytesOf(name));
    element += "\">";
    return element;
}

} // namespace

void WriteTextField(CText& out, const char* name, const CText& value, SInt32 size)
{
    WriteTextFieldOf(out, name, BytesOf(value), size);
}

void WriteTextField(CText& out, const char* name, const char* value, SInt32 size)
{
    WriteTextFieldOf(out, name, BytesOf(value), size);
}

void WriteTextField(CText& out, const char* name, const CList<CString256>& values, SInt32 size)
{
    WriteTextFieldOf(out, name, Joined(values, ","), size);
}

void WriteTextArea(CText& out, const char* name, const CText& value)
{
    WriteTextAreaOf(out, name, BytesOf(value), kTextAreaSize);
}

void WriteTextArea(CText& out, const char* name, const CList<CString256>& lines)
{
    WriteTextAreaOf(out, name, Joined(lines, "\r\n"), kTextAreaSize);
}

void WriteTextArea(CText& out, const char* name, const CList<CText>& lines)
{
    WriteTextAreaOf(out, name, Joined(lines, "\r\n"), kTextAreaSize);
}

void WriteLargeTextArea(CText& out, const char* name, const CText& value)
{
    WriteTextAreaOf(out, name, BytesOf(value), kLargeTextAreaSize);
}

void WriteSelect(CText& out, const char* name, const CList<CString256>& items)
{
    std::string element = SelectOpening(name);
    items.Rewind();
    while (const CString256* item = items.Next())
        AppendOption(element, item->text, false);
    element += "</SELECT>";
    Replace(out, element);
}

void WriteSelect(CText& out, const char* name, std::span<const char* const> items, const char* chosen)
{
    std::string element = SelectOpening(name);
    for (const char* item : items)
        AppendOption(element, BytesOf(item), chosen != nullptr && item != nullptr && EqualNoCase(item, chosen));
    element += "</SELECT>";
    Replace(out, element);
}

void WriteCheckbox(CText& out, const char* name, Boolean checked)
{
    std::string element = "<INPUT TYPE=\"checkbox\" NAME=\"";
    AppendEscaped(element, BytesOf(name));
    element += checked ? "\" VALUE=\"locked\" CHECKED>" : "\" VALUE=\"locked\">";
    Replace(out, element);
}
