#pragma once
// Where the programs find the files they read at run time:
// configwindows.xml.txt, media/ and shaders/ (and the bundled examples/).
// The working folder comes first, as it always did; then the installed
// places, so an installed program run from any folder still finds them.

#include <string>
#include <vector>

namespace cubalorn {

// The folders below a resource place that programs may read from.
extern const char* const kResourceFolderNames[3];

class ResourceFolders {
public:
    // Places in search order, absolute; the first is the working folder.
    explicit ResourceFolders(std::vector<std::string> places);

    // The working folder, the executable's folder, share/cubalorn beside the
    // executable's bin folder, and the data folder this build installs to.
    // Places that repeat an earlier one are left out.
    static ResourceFolders forThisProgram();

    // The first place holding `name` (relative, such as "media/x.bmp"): the
    // name itself when the working folder has it, so messages and caches see
    // what they always saw; else the place joined with the name. Empty when
    // no place has it.
    std::string find(const std::string& name) const;

    // "media/x.bmp was not found in /w, /usr/bin, /usr/share/cubalorn".
    std::string describeMissing(const std::string& name) const;

    const std::vector<std::string>& places() const { return places_; }

private:
    std::vector<std::string> places_;
};

}  // namespace cubalorn
