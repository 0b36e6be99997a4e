#include "effects/post_processing.h"

namespace cubalorn {

PostPassRoute postPassRoute(std::size_t index, std::size_t passCount) {
    const bool flip = index % 2 == 0;  // the chain's flag, toggled before every pass
    PostPassRoute route;
    route.input = index == 0 ? ChainImage::SceneTarget
                             : (flip ? ChainImage::Target0 : ChainImage::Target1);
    route.output = index + 1 == passCount ? ChainImage::Output
                                          : (flip ? ChainImage::Target1 : ChainImage::Target0);
    return route;
}

}  // namespace cubalorn
