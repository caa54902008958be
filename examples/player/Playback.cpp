#include "Playback.h"

#include <varnox/varnox.h>

Playback::Playback(VideoReader& source, ImageObject::sizing mode)
    : reader(source)
    , frame(new unsigned char[source.frameBytes()])
    , scene(CScene::NewL())
    , image(ImageObject::NewL(mode, true))
{
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
        image->Image(reader.width(), reader.height(), reader.code(), frame.get());
    return status;
}

void Playback::Draw(CRenderTarget* target)
{
    scene->Render(target);
}
