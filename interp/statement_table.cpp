// Which keyword starts which statement.

#include <array>
#include <utility>

#include "interp/commands.h"

namespace cubalorn {

namespace {

constexpr std::pair<TokenCode, StatementHandler> kStatements[] = {
    {kRepeat, handleRepeat},
    {kIf, handleIf},
    {kFor, handleFor},
    {kJump, handleJump},
    {kPrint, handlePrint},
    {kCalc, handleCalc},
    {kRandomize, handleRandomize},
    {kComment, handleComment},
    {kLabel, handleLabel},
    {kQuoted, handleQuotedWord},
    {kRefreshall, handleRefreshallInBody},

    {kMake, handleMake},
    {kPop, handlePop},
    {kSetitem, handleSetitem},

    {kTo, handleTo},
    {kGo, handleGo},
    {kOutput, handleOutput},

    {kOpenfile, handleOpenfile},
    {kClosefile, handleClosefile},
    {kWritelinefile, handleWritelinefile},

    {kBackground, handleBackground},
    {kCamerapos, handleCamerapos},
    {kLightpos, handleLightpos},
    {kChangecamera, handleChangecamera},
    {kGetfont, handleGetfont},
    {kGettexture, handleGettexture},
    {kPrintscreen, handlePrintscreen},

    {kForward, handleForward},
    {kBack, handleBack},
    {kLeft, handleLeft},
    {kRight, handleRight},
    {kUp, handleUp},
    {kDown, handleDown},
    {kPenup, handlePenup},
    {kPendown, handlePendown},
    {kHome, handleHome},
    {kGoto, handleGoto},
    {kPensize, handlePensize},
    {kPendensity, handlePendensity},
    {kPencolor, handlePencolor},
    {kSetrgb, handleSetrgb},
    {kSphere, handleSphere},
    {kCube, handleCube},
    {kSetvoxel, handleSetvoxel},
    {kSetvoxelcubic, handleSetvoxelcubic},
    {kClear, handleClear},

    {kDsinit, handleDsinit},
    {kDsset, handleDsset},
    {kDiamondsquare, handleDiamondsquare},

    {kLoadcsv, handleLoadcsv},
};

constexpr std::array<StatementHandler, kTokenCodeCount> buildTable() {
    std::array<StatementHandler, kTokenCodeCount> table{};
    for (const auto& entry : kStatements) table[entry.first] = entry.second;
    return table;
}

constexpr std::array<StatementHandler, kTokenCodeCount> kHandlers = buildTable();

}  // namespace

StatementHandler statementHandler(TokenCode code) {
    return code < kTokenCodeCount ? kHandlers[code] : nullptr;
}

}  // namespace cubalorn
