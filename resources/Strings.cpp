#include "resources/detail/Tables.h"

namespace resources::detail {

// Commands carry "prompt\ntool tip"; dialog items their tool tip.
const StringResource kStrings[] = {
    {57346, "Wendle Forge"},
    {1011, "File already exists.\nOverwrite?"},
    {32773, "Make the image larger in size"},
    {32775, "Make the image smaller in size"},
    {32776, "Use to zoom in and out of image."},
    {32777, "Pan Tool\nPan"},
    {32778, "Use to pan large image."},
    {32779, "Use to select image area for tile generation."},
    // The plug-in dialog.
    {1, "Apply the tile to the image"},
    {2, "Close without changing the image"},
    {32651, "Open the help page"},
    {1006, "Choose saved settings, or Default"},
    {1007, "Save the settings as a preset"},
    {1008, "Delete the chosen preset"},
    // The settings panel.
    {3033, "Pick the symmetry group of the tile"},
    {3025, "How far copies blend across the tile's seams, in percent"},
    {3006, "Render the preview with these settings"},
    {3024, "Size of the tile, in percent of the picked area"},
    {3028, "Save the tile to an image file"},
    {3018, "Show the tile repeated in a window of its own"},
    {3060, "Show the original image or the result"},
};
const std::size_t kStringCount = sizeof kStrings / sizeof kStrings[0];

}  // namespace resources::detail
