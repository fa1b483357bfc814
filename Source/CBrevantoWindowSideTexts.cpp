// The side texts of a message (plain-text alternative, preamble, epilogue) as bytes in the
// mailing's character set, taken from their editors when a message is prepared.
#include "CBrevantoWindow.h"

#include "CharsetConversion.h"
#include "ControlValues.h"

namespace {

struct SideText {
    int editor;  // index into the window's stored editor texts
    ControlRole pane;
    const char* failure;
};

constexpr SideText kPlainTextAlternative{0, ControlRole::PlainTextAlternativeTextPane,
                                         "The plain text alternative could not be extracted using the specified encoding."};
constexpr SideText kPreamble{1, ControlRole::PreambleTextPane,
                             "The preamble could not be extracted using the specified encoding."};
constexpr SideText kEpilogue{2, ControlRole::EpilogueTextPane,
                             "The epilogue could not be extracted using the specified encoding."};

} // namespace

// An editor never shown still holds nothing: the document's text waits in the stored copy.
static void ExtractSideText(CBrevantoWindow& inWindow, const SideText& inSide, CText& ioText)
{
    QString text;
    if (inWindow.mEditorTextNotLoaded[inSide.editor])
        text = inWindow.mEditorStoredText[inSide.editor];
    else if (ControlRef pane = inWindow.Control(inSide.pane))
        text = GetControlText(pane);
    if (text.isNull())
        return;
    // The set the header will name: one the converters know.
    const std::optional<QByteArray> bytes = EncodeInCharset(text, inWindow.GetCharsetName());
    if (!bytes) {
        inWindow.ShowAlertSheet(inSide.failure, "Please try another encoding, such as Unicode.", false);
        return;
    }
    ioText.Clear();
    ioText.AppendBytes(bytes->constData(), long(bytes->size()));
}

void CBrevantoWindow::GetPlainTextAlternative(CText& ioText) { ExtractSideText(*this, kPlainTextAlternative, ioText); }

void CBrevantoWindow::GetPreamble(CText& ioText) { ExtractSideText(*this, kPreamble, ioText); }

void CBrevantoWindow::GetEpilogue(CText& ioText) { ExtractSideText(*this, kEpilogue, ioText); }
