#pragma once

// Reads and writes on the rig's nodes go straight to their PTYs.
//
// umockdev's preload hands every read and write on a node that has an ioctl handler to the
// handler's thread first (two socket round trips for a read), and that thread only declines
// them: the rig answers the hidraw ioctls alone. The preload then reads or writes the PTY
// itself. The read and write defined here (linked into the executable, so found ahead of
// the preload's) take that last step at once for the PTYs registered here and pass every
// other descriptor on to the next definition unchanged, so the program still
// reads and writes the node's PTY through the real hidapi back end, and its ioctls still
// reach the rig's handler. A node's PTY is unregistered before it is pulled, so a hang-up
// is seen on the path umockdev gives it.
//
// Left out in an address or thread sanitizer build: there the sanitizer's read and write
// checks matter more than the rig's speed.
namespace NodeIo {

// Registers the number of a node's PTY (its /dev/pts index); false when full.
bool add(int ptyNumber);
void remove(int ptyNumber);

} // namespace NodeIo
