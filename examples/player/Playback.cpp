#include "Playback.h"

#include <varnox/varnox.h>

Playback::Playback(VideoReader& source, ImageObject::sizing mode, int path)
    : reader(source)
    , frame(new unsigned char[source.frameBytes()])
    , scene(CScene::NewL())
    , image(ImageObject::NewL(mode, true))
{
    image->FramePath(path);
    scene->addObject(image);
}

Playback::~Playback()
{
    delete image;
    delete scene;
}

VideoReader::Status Playback::Advance(bool loop)
{
    VideoReader::Status status = reader.Next(frame.get());
    // A file without a single frame ends, looping or not.
    if (status == VideoReader::Status::End && loop && reader.framesRead() > 0) {
        if (!reader.Rewind())
            return VideoReader::Status::Error;
        status = reader.Next(frame.get());
    }
    if (status == VideoReader::Status::Frame)
        image->Image(reader.FrameIn(frame.get()));
    return status;
}

void Playback::Draw(CRenderTarget* target)
{
    scene->Render(target);
}
