#include "voxel/csv.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "voxel/palette.h"
#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The reads' results are not needed: a failed read leaves its targets as they
// were, which is exactly the behaviour the format relies on.
void scan(int) {}

int peekChar(std::FILE* f) {
    const int c = std::getc(f);
    if (c != EOF) std::ungetc(c, f);
    return c;
}

// Index ranges of a block of cells: layers L, rows r, columns c (inclusive).
struct CellBlock {
    int64_t layerLo, layerHi, rowLo, rowHi, colLo, colHi;
    bool empty() const { return layerHi < layerLo || rowHi < rowLo || colHi < colLo; }
    int64_t count() const {
        // Each factor is at most 2^31, so two of them fit; saturate the third.
        const int64_t two = (layerHi - layerLo + 1) * (rowHi - rowLo + 1);
        const int64_t cols = colHi - colLo + 1;
        return two > INT64_MAX / cols ? INT64_MAX : two * cols;
    }
};

class CsvImport {
public:
    CsvImport(std::FILE* file, int32_t rotation, Turtle& turtle)
        : file_(file), rotation_(rotation), turtle_(turtle) {}

    void run(CsvResult& result) {
        // Counts that cannot be read stay 0.
        int columns = 0, layers = 0, rows = 0;
        scan(std::fscanf(file_, "%d,%d,%d\n", &columns, &layers, &rows));
        columns_ = columns;
        rows_ = rows;
        tx_ = Turtle::truncatedCoordinate(turtle_.x);
        ty_ = Turtle::truncatedCoordinate(turtle_.y);
        tz_ = Turtle::truncatedCoordinate(turtle_.z);
        // Without rows no cell is read or drawn, whatever the layer count: the
        // layers would only skip whitespace, up to two billion times.
        if (rows <= 0) {
            finish(result);
            return;
        }

        for (int64_t layer = int64_t(layers) - 1; layer >= 0; --layer) {
            for (int64_t row = 0; row < rows; ++row) {
                const long rowStart = std::ftell(file_);
                readRow(layer, row);
                scan(std::fscanf(file_, " "));
                if (std::ftell(file_) == rowStart) {
                    // Not one character moved in a whole row: every later row
                    // does the same reads at the same place, so every cell
                    // left in the file repeats the current one.
                    repeatCurrentCell({layer, layer, row + 1, rows - 1, 0, columns - 1});
                    repeatCurrentCell({0, layer - 1, 0, rows - 1, 0, columns - 1});
                    finish(result);
                    return;
                }
            }
            scan(std::fscanf(file_, " "));
        }
        finish(result);
    }

private:
    void readRow(int64_t layer, int64_t row) {
        for (int64_t col = 0; col < columns_; ++col) {
            const int next = peekChar(file_);
            if (next != '#' && next != ',') {
                // Neither the cell reads nor the comma reads can move past this
                // character before the row's whitespace skip: the rest of the
                // row repeats the current cell.
                repeatCurrentCell({layer, layer, row, row, col, columns_ - 1});
                return;
            }
            // A read that fails keeps the previous colour and opacity.
            scan(std::fscanf(file_, "#%6s%02X", name_, &opacity_));
            drawCell(layer, row, col);
            if (col < columns_ - 1) scan(std::fscanf(file_, ","));
        }
    }

    // The voxel a cell goes to; rows advance along x from the turtle's z and
    // columns along z from its x.
    void target(int64_t layer, int64_t row, int64_t col, int64_t& x, int64_t& y,
                int64_t& z) const {
        y = ty_ + layer;
        switch (rotation_) {
            case 90:
                x = tz_ + col;
                z = tx_ + rows_ - 1 - row;
                break;
            case 180:
                x = tz_ + row;
                z = tx_ + columns_ - 1 - col;
                break;
            case 270:
                x = tz_ + columns_ - 1 - col;
                z = tx_ + row;
                break;
            default:
                x = tz_ + row;
                z = tx_ + col;
                break;
        }
    }

    // The material to draw the current cell with, or 0 for none.
    int currentMaterial(int64_t cells) {
        if (opacity_ == 0) return 0;
        const int material = colourNameToMaterial(name_) & 0xFF;
        if (material == 0) {
            if (unknownCells_ == 0) firstUnknown_ = name_;
            unknownCells_ = cells > INT64_MAX - unknownCells_ ? INT64_MAX : unknownCells_ + cells;
        }
        return material;
    }

    void drawCell(int64_t layer, int64_t row, int64_t col) {
        const int material = currentMaterial(1);
        if (material == 0) return;
        turtle_.penColour = material;
        int64_t x, y, z;
        target(layer, row, col, x, y, z);
        turtle_.setPositionClamped(x, y, z);
        turtle_.stampPen();
    }

    // Draws every cell of `block` with the current cell, as the literal loop
    // would, but each clamped voxel once: each voxel axis follows exactly one
    // index axis, so the block lands on a box of voxels.
    void repeatCurrentCell(const CellBlock& block) {
        if (block.empty()) return;
        const int material = currentMaterial(block.count());
        if (material == 0) return;
        turtle_.penColour = material;
        int64_t ax, ay, az, bx, by, bz;
        target(block.layerLo, block.rowLo, block.colLo, ax, ay, az);
        target(block.layerHi, block.rowHi, block.colHi, bx, by, bz);
        if (!turtle_.penUp) {
            const int64_t x0 = clampX(std::min(ax, bx)), x1 = clampX(std::max(ax, bx));
            const int64_t y0 = clampY(std::min(ay, by)), y1 = clampY(std::max(ay, by));
            const int64_t z0 = clampZ(std::min(az, bz)), z1 = clampZ(std::max(az, bz));
            for (int64_t y = y0; y <= y1; ++y)
                for (int64_t x = x0; x <= x1; ++x)
                    for (int64_t z = z0; z <= z1; ++z) {
                        turtle_.setPositionClamped(x, y, z);
                        turtle_.stampPen();
                    }
        }
        // The literal loop ends on the lowest layer, last row, last column.
        int64_t x, y, z;
        target(block.layerLo, block.rowHi, block.colHi, x, y, z);
        turtle_.setPositionClamped(x, y, z);
    }

    int64_t clampX(int64_t v) const { return clampTo(v, turtle_.sizeX()); }
    int64_t clampY(int64_t v) const { return clampTo(v, turtle_.sizeY()); }
    int64_t clampZ(int64_t v) const { return clampTo(v, turtle_.sizeZ()); }
    static int64_t clampTo(int64_t v, int32_t size) {
        return v < 0 ? 0 : (v >= size ? size - 1 : v);
    }

    void finish(CsvResult& result) {
        result.unknownColourCells = unknownCells_;
        result.firstUnknownColour = firstUnknown_;
    }

    std::FILE* file_;
    int32_t rotation_;
    Turtle& turtle_;
    int64_t columns_ = 0, rows_ = 0;
    int64_t tx_ = 0, ty_ = 0, tz_ = 0;
    // Before the first successful read: no colour, opacity 0 (not drawn).
    char name_[7] = {};
    unsigned opacity_ = 0;
    int64_t unknownCells_ = 0;
    std::string firstUnknown_;
};

}  // namespace

bool isCsvRotation(int32_t rotation) {
    return rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270;
}

CsvResult loadCsv(const std::string& path, int32_t rotation, Turtle& turtle) {
    CsvResult result;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    // The import needs file positions to know when reading has stopped moving.
    if (!file || std::ftell(file.get()) < 0 || !turtle.volume()) return result;
    result.opened = true;
    CsvImport(file.get(), rotation, turtle).run(result);
    return result;
}

}  // namespace cubalorn
