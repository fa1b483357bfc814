// FSSpec: the folder-and-name file record: `folder` is the absolute POSIX path of the parent
// folder, `name` the item's name inside it (no "/"). The item need not exist (a record can name
// a file about to be created). An empty name means "no file".
// A plain value: copy it freely, any thread.
#pragma once

#include <string>

struct FSSpec {
    std::string folder;
    std::string name;

    bool IsEmpty() const { return name.empty(); }

    // The full POSIX path of the named item; empty for an empty record.
    std::string Path() const
    {
        if (name.empty())
            return {};
        if (folder.empty() || folder.back() == '/')
            return folder + name;
        return folder + "/" + name;
    }
    bool operator==(const FSSpec&) const = default;
};
