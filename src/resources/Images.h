#pragma once

#include <QIcon>
#include <QPixmap>

// Images of the shell, drawn at start-up so that the repository holds no binary art.
namespace images {

inline constexpr unsigned kUnlocked = 140;
inline constexpr unsigned kLocked = 141;
inline constexpr unsigned kVisible = 142;
inline constexpr unsigned kHidden = 143;

// The 16x16 layer state image 140..143; a null pixmap for other ids.
QPixmap LayerImage(unsigned id);
// The 16x15 toolbar image of a command; a null pixmap when it has none.
QPixmap ButtonImage(unsigned id);
// The application icon in the usual sizes.
QIcon AppIcon();

}  // namespace images
