// The tiling filter (namespace app): its command with the 25 parameters and the render routine,
// its scripting descriptor, and the application object behind the module's entry. Builds on the
// framework, the generators and the row operations.
//
// TilingCommand: the filter's command. Its render routine makes the tile of the chosen group
// from the source, scales it by the tile size and fills the output with it repeated.
#pragma once
#include <mutex>
#include <string>

#include "app/GroupList.h"
#include "core/PixelFormat.h"
#include "core/RowIteratorBands.h"
#include "framework/GenericCommand.h"
#include "generators/TileRenderCache.h"

namespace app {

// Where Save Tile last wrote the tile and its type among the file dialog's (1 for the first),
// where its next file dialog opens; kept with the command, so for as long as the module.
struct TileSavePlace {
  std::string folder;  // empty: where the file dialog starts by itself
  unsigned long typeIndex = 1;
};

class TilingCommand : public framework::GenericCommand {
 public:
  // Defines the parameters and loads the user's last values from the registry.
  TilingCommand();
  // Saves the parameters to the registry.
  ~TilingCommand() override;

  void DefineParameters() override;
  int RunJob(framework::RenderJob& job) override { return RunTiling(job); }
  std::string GetName() const override { return CommandName(); }
  static std::string CommandName() { return "Wendle Forge"; }

  // 0 when it returns; a failed generation leaves as the core's exception.
  int RunTiling(framework::RenderJob& job);
  // The same render for a job with a mask and no output: the tile goes into the source through
  // the mask, so no output the size of the source is held; the source is then the result.
  int RunTilingIntoSelection(framework::RenderJob& job);

  // A copy of the tile as BGRA, else of the source; safe while a render replaces the tile.
  bool GetPreviewImage(corvel::CRowIteratorBands& out);
  bool GetResultImage(corvel::CRowIteratorBands& out);
  // Lets go of the last run's images (its source, mask, result and tile), which may be views of
  // the host's buffers, and of what its renders kept for the next.
  void ReleaseImages();
  corvel::CRowIteratorBands& GetTile() { return tile_; }
  corvel::TileRenderCache& GetRenderCache() { return renderCache_; }
  corvel::keFormat GetSourceFormat() const { return sourceFormat_; }
  GroupList& GetGroupList() { return groups_; }
  TileSavePlace& GetTileSavePlace() { return tileSavePlace_; }

 private:
  // Renders into the memory tile holds where the new tile is of its size; throws the core's code
  // when the tile cannot be had.
  void MakeTile(framework::RenderJob& job, corvel::CRowIteratorBands& tile);
  // The dialog renders again and again, mostly at one size: each render writes into the memory of
  // the tile before the one shown, whose pages are mapped already, rather than into fresh pages.
  void TakeSpareTile(corvel::CRowIteratorBands& tile);
  // The rendered tile is shown; the one it replaces becomes the spare.
  void KeepTile(corvel::CRowIteratorBands& tile);
  static int Int(const framework::ParameterSet& values, int id);
  static float Float(const framework::ParameterSet& values, int id);

  GroupList groups_;
  // The render thread replaces the tile while the dialog copies it.
  std::mutex tileLock_;
  corvel::CRowIteratorBands tile_;
  corvel::CRowIteratorBands spareTile_;
  corvel::CRowIteratorBands result_;
  corvel::keFormat sourceFormat_ = corvel::keFormatNone;
  // What one render leaves to the next: a preview's renders follow one another as a handle moves.
  corvel::TileRenderCache renderCache_;
  TileSavePlace tileSavePlace_;
};

// Fills the whole output with the tile repeated from the output's origin, in the output's
// format, through the canvas's pattern paint; the output's first row takes the tile's row
// firstRow (modulo its height), so that bands of an image fill as the whole image would. With a
// meter, the fill goes kFillBandRows rows at a time and asks the meter before each whether to
// stop: keErrorStopped then, with the bands before filled.
constexpr int kFillBandRows = 256;
corvel::CoreResult FillWithTile(corvel::CRowIteratorBands& output, corvel::CRowIteratorBands& tile,
                                int firstRow = 0, corvel::CProgressMeter* meter = nullptr);
// The image moves toward the tile repeated from its origin by the mask, as MaskedCombine would
// with a filled copy of the image, but through one band of bandRows rows at a time.
constexpr int kSelectionBandRows = 256;
corvel::CoreResult FillSelectionWithTile(corvel::CRowIteratorBands& image, corvel::CRowIteratorBands& mask,
                                         corvel::CRowIteratorBands& tile, int bandRows = kSelectionBandRows);

}  // namespace app
