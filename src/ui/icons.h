// The tool bar images and the picture of the idle main window, drawn at start-up so that the
// program needs no image files.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace vorel {

enum class ToolImage { Connect, Disconnect, File, Hangup, Address, ComPort };

QIcon ToolIcon(ToolImage image);
QPixmap IdlePicture();

}  // namespace vorel
