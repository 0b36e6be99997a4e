#include "effects/shader_preprocessor.h"

#include <fstream>
#include <iostream>

namespace cubalorn {

using irr::video::E_VIDEO_DRIVER_FEATURE;

const FeatureDefine kFeatureDefines[11] = {
    {irr::video::EVDF_TEXTURE_NPOT, "EVDF_TEXTURE_NPOT"},
    {irr::video::EVDF_FRAMEBUFFER_OBJECT, "EVDF_FRAMEBUFFER_OBJECT"},
    {irr::video::EVDF_VERTEX_SHADER_1_1, "EVDF_VERTEX_SHADER_1_1"},
    {irr::video::EVDF_VERTEX_SHADER_2_0, "EVDF_VERTEX_SHADER_2_0"},
    {irr::video::EVDF_VERTEX_SHADER_3_0, "EVDF_VERTEX_SHADER_3_0"},
    {irr::video::EVDF_PIXEL_SHADER_1_1, "EVDF_PIXEL_SHADER_1_1"},
    {irr::video::EVDF_PIXEL_SHADER_1_2, "EVDF_PIXEL_SHADER_1_2"},
    {irr::video::EVDF_PIXEL_SHADER_1_3, "EVDF_PIXEL_SHADER_1_3"},
    {irr::video::EVDF_PIXEL_SHADER_1_4, "EVDF_PIXEL_SHADER_1_4"},
    {irr::video::EVDF_PIXEL_SHADER_2_0, "EVDF_PIXEL_SHADER_2_0"},
    {irr::video::EVDF_PIXEL_SHADER_3_0, "EVDF_PIXEL_SHADER_3_0"},
};

namespace {

void blank(std::string& text, size_t first, size_t last) {
    if (text.empty() || first >= text.size()) return;
    if (last >= text.size()) last = text.size() - 1;
    for (size_t k = first; k <= last; ++k) text[k] = ' ';
}

std::string trim(const std::string& s) {
    static const char* kSpace = " \t\n\r";
    size_t b = s.find_first_not_of(kSpace);
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(kSpace);
    return s.substr(b, e - b + 1);
}

void blankComments(std::string& text) {
    for (size_t p = text.find("//"); p != std::string::npos; p = text.find("//")) {
        size_t lf = text.find('\n', p);
        blank(text, p, (lf == std::string::npos ? text.size() : lf) - 1);
    }
    for (size_t s = text.find("/*"); s != std::string::npos; s = text.find("/*")) {
        size_t e = text.find("*/");
        if (e != std::string::npos && e > s)
            blank(text, s, e + 1);
        else
            blank(text, s, text.size() - 1);
    }
}

}  // namespace

ShaderPreprocessor::ShaderPreprocessor(irr::video::IVideoDriver* driver)
    : ShaderPreprocessor(FeatureQuery(
          [driver](E_VIDEO_DRIVER_FEATURE f) { return driver && driver->queryFeature(f); })) {
    driver_ = driver;
}

ShaderPreprocessor::ShaderPreprocessor(const FeatureQuery& supports) : errors_(&std::cerr) {
    for (const FeatureDefine& f : kFeatureDefines)
        if (supports(f.feature)) defines_[f.name] = std::string();
}

bool ShaderPreprocessor::addDefine(const std::string& name, const std::string& value) {
    if (name.empty()) {
        *errors_ << "Shader preprocessor refused a define without a name.\n";
        return false;
    }
    if (name.find(' ') != std::string::npos) {
        *errors_ << "Shader preprocessor refused define " << name
                 << ": its name contains a blank.\n";
        return false;
    }
    if (value.find(name) != std::string::npos) {
        *errors_ << "Shader preprocessor refused define " << name
                 << ": its value contains its own name.\n";
        return false;
    }
    defines_[name] = value;
    return true;
}

std::vector<SDefineExp> ShaderPreprocessor::findConditionals(std::string& text) const {
    std::vector<SDefineExp> blocks;
    if (text.find("##ifdef") == std::string::npos) return blocks;
    blankComments(text);

    for (size_t i = text.find("##ifdef"); i != std::string::npos; i = text.find("##ifdef")) {
        SDefineExp block;
        block.ifAt = static_cast<irr::s32>(i);
        text[i] = text[i + 1] = '/';

        size_t s = text.find(' ', i);
        size_t n = s == std::string::npos ? s : text.find('\n', s);
        if (n == std::string::npos) {
            *errors_ << "Shader preprocessor encountered invalid if statement.\n";
            return blocks;
        }
        block.symbol = trim(text.substr(s, n - s));
        if (!block.symbol.empty() && block.symbol[0] == '!') {
            block.symbol[0] = ' ';
            block.symbol = trim(block.symbol);
            block.negated = true;
        }

        int depth = 0;
        size_t from = i;
        for (;;) {
            size_t j = text.find('#', from);
            if (j == std::string::npos || j + 3 >= text.size()) {
                *errors_ << "Shader preprocessor encountered unmatched if statement.\n";
                return blocks;
            }
            if (text[j + 1] != '#') {
                from = j + 1;
                continue;
            }
            char third = text[j + 2], fourth = text[j + 3];
            if (third == 'i') {
                ++depth;
            } else if (third == 'e' && fourth == 'n') {
                if (depth == 0) {
                    text[j] = text[j + 1] = '/';
                    block.endAt = static_cast<irr::s32>(j);
                    break;
                }
                --depth;
            } else if (third == 'e' && fourth == 'l' && depth == 0) {
                if (block.elseAt != -1) {
                    *errors_ << "Shader preprocessor encountered duplicate else statements per if "
                                "statement.\n";
                    return blocks;
                }
                text[j] = text[j + 1] = '/';
                block.elseAt = static_cast<irr::s32>(j);
            }
            from = j + 2;
        }
        blocks.push_back(block);
    }
    return blocks;
}

std::string ShaderPreprocessor::preprocess(const std::string& source) const {
    std::string text = source;
    for (const SDefineExp& b : findConditionals(text)) {
        bool holds = (defines_.count(b.symbol) != 0) != b.negated;
        if (b.endAt == -1) continue;
        if (holds) {
            if (b.elseAt >= 0) blank(text, b.elseAt, b.endAt + 6);
        } else if (b.elseAt >= 0) {
            blank(text, b.ifAt, b.elseAt + 5);
        } else {
            blank(text, b.ifAt, b.endAt + 6);
        }
    }
    // The name becomes the value followed by as many spaces as the name is
    // long; the map iterates in ascending name order. Each search starts
    // at the beginning again, so a name the substitution forms anew (its end
    // after an inserted value) is replaced too; names with a blank, which
    // would be found in their own blanks forever, are refused by addDefine.
    for (const auto& [name, value] : defines_) {
        if (value.empty()) continue;
        for (size_t p = text.find(name); p != std::string::npos; p = text.find(name)) {
            blank(text, p, p + name.size() - 1);
            text.insert(p, value);
        }
    }
    return text;
}

std::string ShaderPreprocessor::preprocessFile(const std::string& fileName) const {
    return preprocess(readWholeFile(fileName));
}

std::string readWholeFile(const std::string& fileName) {
    std::ifstream in(fileName);
    std::string text;
    if (!in) return text;
    for (std::string line; std::getline(in, line);) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace cubalorn
