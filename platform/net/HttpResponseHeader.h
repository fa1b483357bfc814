// The header block of one HTTP response, as it arrived: the status line first, then the
// fields, each line with its CR LF, ending with the empty line. With redirects followed only
// the final response's block is kept (a new status line starts a new block). Field names are
// looked up without regard to ASCII case; of two lines with the same name the first wins.
// A plain value; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class HttpResponseHeader {
public:
    // Feeds one raw header line (as libcurl hands it over, CR LF included).
    void AddLine(std::string_view line);
    void Clear();

    const std::string& Block() const { return mBlock; }
    bool IsEmpty() const { return mBlock.empty(); }
    // True once the empty line that ends the block has arrived.
    bool IsComplete() const { return mComplete; }

    // The first line without its CR LF; empty before any response.
    std::string StatusLine() const;
    // The number after the protocol in the status line; 0 when there is none.
    int StatusCode() const;
    // The value of the first field named `name`, spaces around it removed; nullopt when absent.
    std::optional<std::string> Field(std::string_view name) const;

private:
    std::string mBlock;
    bool mComplete = false;
};
