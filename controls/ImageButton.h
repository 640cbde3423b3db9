// A themed button that shows a picture from a "PNG" resource on its face, dimmer while the
// cursor is away and greyed when disabled. Without a picture it is a plain themed button.
#pragma once
#include "controls/ThemedButton.h"
#include "core/CoreResult.h"
#include "core/RowIteratorBands.h"

class ImageButton : public ThemedButton {
 public:
  ImageButton();
  ~ImageButton() override = default;

  // 201 when the resource is missing or not a picture; the button then has none.
  corvel::CoreResult LoadImage(UINT resourceId);
  // With a window and a picture: the picture's size plus the margins, top-left kept.
  void SizeToImage(bool flag);
  bool HasImage() const { return corvel::CRowIteratorBands::IsValid(&image); }

  void DrawItem(DRAWITEMSTRUCT* item) override;

 private:
  corvel::CRowIteratorBands image;
  bool sizeToImage = false;
  int marginX = 4;
  int marginY = 4;
};
