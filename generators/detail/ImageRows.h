// The rows of a BGRA (or grey) image addressed directly, its bands locked from Lock to Unlock, so
// that several threads read and write them without locks; the row sampler reads them as BgraRows.
// The table of the rows' addresses may be kept from one lock to the next. And where a render
// writes a row: in place, or, for grey rows, in the thread's own BGRA row, made grey after.
#pragma once
#include <cstdint>
#include <vector>

#include "core/RowIteratorBands.h"
#include "generators/detail/ScratchVector.h"
#include "rowops/RowSampler.h"

namespace corvel {

class ImageRows {
 public:
  // Where a band's rows lie.
  struct BandPlace {
    LONG top = 0, bottom = 0;
    std::uint8_t* bits = nullptr;
    std::intptr_t stride = 0;
    bool operator==(const BandPlace& other) const {
      return top == other.top && bottom == other.bottom && bits == other.bits && stride == other.stride;
    }
  };
  // The rows' addresses as a lock found them, and where the bands lay then.
  struct RowTable {
    // Left unset as they grow: every entry is written when the table is filled.
    detail::ScratchVector<std::uint8_t*> rows;
    // Bytes from row y to row y + 1 where both lie in one band, else 0.
    detail::ScratchVector<std::intptr_t> strideBelow;
    std::vector<BandPlace> filled, found;
    bool complete = false;  // every row lies in a band
  };

  ImageRows() = default;
  ~ImageRows() { Unlock(); }
  ImageRows(const ImageRows&) = delete;
  ImageRows& operator=(const ImageRows&) = delete;

  // 0, or the core code of a failed lock; 101 when the image is not stored in format: BGRA, or
  // grey for rows an OutputRow writes. Given a table an earlier lock left (which must outlive
  // this lock), an image whose bands lie where they lay then keeps it: a source of thousands of
  // rows locked each render is not walked again.
  int Lock(CRowIteratorBands& image, keFormat format = keFormatBGRA, RowTable* kept = nullptr);
  void Unlock();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Grey() const { return format_ == keFormatGrey; }
  std::uint8_t* Row(int y) const { return table_->rows[std::size_t(y)]; }
  // The rows as the row sampler reads them.
  BgraRows Rows() const { return {table_->rows.data(), table_->strideBelow.data(), width_, height_}; }

 private:
  // The table written from its bands (filled): rows no band holds are null.
  static void FillTable(RowTable& table, int height);

  CRowIteratorBands* image_ = nullptr;
  std::vector<Tile> locked_;
  RowTable own_;
  RowTable* table_ = &own_;
  int width_ = 0, height_ = 0;
  keFormat format_ = keFormatNone;
};

// Where a render writes row y of locked rows: in place in BGRA rows; for grey ones in the
// thread's own BGRA row, made grey when the row is left, however the loop leaves it.
class OutputRow {
 public:
  // own: the thread's row, with room for a BGRA row where the rows are grey (ReserveBgraRow).
  OutputRow(const ImageRows& rows, std::vector<std::uint8_t>& own, int y)
      : rows_(rows), y_(y), bgra_(rows.Grey() ? own.data() : rows.Row(y)) {}
  ~OutputRow();
  OutputRow(const OutputRow&) = delete;
  OutputRow& operator=(const OutputRow&) = delete;

  std::uint8_t* Bgra() const { return bgra_; }

 private:
  const ImageRows& rows_;
  int y_;
  std::uint8_t* bgra_;
};

// Room in own for a BGRA row of rows where they are grey; false when it cannot be had.
bool ReserveBgraRow(const ImageRows& rows, std::vector<std::uint8_t>& own);

}  // namespace corvel
