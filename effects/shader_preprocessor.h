#pragma once
// Specialises a shader text before compilation: blanks comments, keeps or
// drops "##ifdef NAME" / "##else" / "##endif" blocks by whether NAME is
// defined, then writes each valued define into the text in place of its name.

#include <irrlicht.h>

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace cubalorn {

// One conditional block found in a text; positions index the text.
struct SDefineExp {
    irr::s32 ifAt = -1;
    irr::s32 elseAt = -1;
    irr::s32 endAt = -1;
    std::string symbol;
    bool negated = false;
};

// Which driver features exist; a seam so the preprocessor can be exercised
// without a window (the null driver reports no feature at all).
using FeatureQuery = std::function<bool(irr::video::E_VIDEO_DRIVER_FEATURE)>;

class ShaderPreprocessor {
public:
    // Seeds one empty define per supported feature of kFeatureDefines.
    explicit ShaderPreprocessor(irr::video::IVideoDriver* driver);
    explicit ShaderPreprocessor(const FeatureQuery& supports);

    // Sets or adds a define. Refuses (false, message on the error stream) an
    // empty name, a name with a blank or a value containing its own name:
    // substituting any of them would never end.
    bool addDefine(const std::string& name, const std::string& value);
    bool isDefined(const std::string& name) const { return defines_.count(name) != 0; }
    const std::map<std::string, std::string>& defines() const { return defines_; }

    std::string preprocess(const std::string& text) const;
    std::string preprocessFile(const std::string& fileName) const;

    // Works on `text` in place: blanks comments, turns the directives it
    // matched into line comments and returns the blocks in the order found.
    std::vector<SDefineExp> findConditionals(std::string& text) const;

    // Messages go to standard error unless a test redirects them.
    void setErrorStream(std::ostream& stream) { errors_ = &stream; }

private:
    irr::video::IVideoDriver* driver_ = nullptr;  // held, not owned
    std::map<std::string, std::string> defines_;
    std::ostream* errors_;
};

// The whole file, each line followed by a line feed; empty when it cannot be
// opened.
std::string readWholeFile(const std::string& fileName);

struct FeatureDefine {
    irr::video::E_VIDEO_DRIVER_FEATURE feature;
    const char* name;
};
// The features a shader text may test, in the order they are queried.
extern const FeatureDefine kFeatureDefines[11];

}  // namespace cubalorn
