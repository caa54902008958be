#pragma once

// What vnxplay does for each frame: read it, upload it through the image
// object's YUV path, draw it. Everything a frame needs is made up front, so
// that frames of one size allocate nothing.

#include <memory>

#include <varnox/ImageObject.h>

#include "VideoReader.h"

class CRenderTarget;
class CScene;
class MediaReader;

class Playback {
public:
    /// Needs a current GL context; the image object streams its texture, is
    /// sized as `mode` says and converts frames where `path` (an
    /// ImageObject::framePath) says.
    Playback(VideoReader& reader, ImageObject::sizing mode, int path = ImageObject::automaticPath);
    /// The same for frames decoded by FFmpeg's libraries, uploaded from the
    /// decoder's own buffers (vnxplay built with them), turned as the file
    /// asks (MediaReader::rotation: the target should be shownWidth ×
    /// shownHeight of the frame turned).
    Playback(MediaReader& reader, ImageObject::sizing mode, int path = ImageObject::automaticPath);
    /// Deletes the image object and the scene, in the context current now.
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    /// Reads the next frame and uploads it; with `loop`, the end of the file
    /// goes back to the first frame. End or Error (see VideoReader) leave
    /// the last frame uploaded.
    VideoReader::Status Advance(bool loop);
    /// Draws the frame uploaded last into `target`, whose context is current.
    void Draw(CRenderTarget* target);
    /// The presentation time of the frame uploaded last, in seconds from the
    /// file's first (YUV4MPEG2 and raw frames: from the frame rate).
    double seconds() const;

private:
    Playback(ImageObject::sizing mode, int path);

    VideoReader* reader = nullptr;
    MediaReader* media = nullptr;
    std::unique_ptr<unsigned char[]> frame;
    CScene* scene = nullptr;
    ImageObject* image = nullptr;
};
