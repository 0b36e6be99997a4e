#pragma once
// Stamps the turtle's pen at many whole-number cells at once: the cells of a
// sphere, a cuboid or a CSV block. The result is exactly that of stamping the
// pen on each cell in turn, but a box pen is not stamped box by box: at whole
// coordinates a box stamp is the cube of 2R cells from R below the cell,
// clamped onto the volume, so the union of all the boxes is worked out row by
// row and each voxel is written once. A large pen over a large shape thus
// costs one pass over the volume instead of one per cell.

#include <cstdint>
#include <vector>

namespace cubalorn {

class Turtle;

class PenSweep {
public:
    explicit PenSweep(Turtle& turtle);

    // Pen centres x = xa..xb on row (y, z), all inside the volume. The rows of
    // one sweep must share a common x (a ball's or a box's rows all hold the
    // cell nearest its centre), so that the union of their boxes on any row
    // is again one run of cells.
    void addRow(int32_t y, int32_t z, int32_t xa, int32_t xb);

    // Writes what the rows added since construction cover. Also called by the
    // destructor.
    void finish();
    ~PenSweep() { finish(); }

    PenSweep(const PenSweep&) = delete;
    PenSweep& operator=(const PenSweep&) = delete;

private:
    struct Run {
        int32_t lo = 1;
        int32_t hi = 0;  // empty while hi < lo
        bool empty() const { return hi < lo; }
        void include(const Run& o) {
            if (o.empty()) return;
            if (empty()) {
                *this = o;
            } else {
                lo = o.lo < lo ? o.lo : lo;
                hi = o.hi > hi ? o.hi : hi;
            }
        }
    };

    Turtle& turtle_;
    int32_t half_ = 0;  // R: pen size div 2
    bool direct_ = false;
    bool active_ = false;
    std::vector<Run> rows_;  // by y + sizeY * z
};

}  // namespace cubalorn
