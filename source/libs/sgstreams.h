#pragma once

#include <QBuffer>

// A memory stream that saves and loads itself framed as a block: the signature "SsB\0", the
// payload length (unsigned 32-bit, little-endian), then the payload. Blocks are self-delimiting,
// so several may follow one another in one stream.
class TStreamBlock : public QBuffer {
public:
    TStreamBlock();

    // Writes the header and the whole content at s's current position.
    void SaveToStream(QIODevice &s);
    // Replaces the content with the block at s's current position; the block is left at its
    // start and s just after the payload.
    void LoadFromStream(QIODevice &s);
};
