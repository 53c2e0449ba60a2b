#pragma once
// The row names of the mesh pages.

#include <QStringList>

// The stages of provisioning and the events (the "MESH" page).
const QStringList& meshEventRows();
// The keys, nonces and packet parts of one network packet ("MESH - Receive" and
// "MESH - Transmit").
const QStringList& meshPacketRows();
// The width of the name column of the mesh lists, in pixels.
inline constexpr int kMeshNameColumnWidth = 110;
