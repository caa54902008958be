#include "Playback.h"

#include <varnox/varnox.h>

#include "MediaReader.h"

Playback::Playback(ImageObject::sizing mode, int path)
    : scene(CScene::NewL())
    , image(ImageObject::NewL(mode, true))
{
    image->FramePath(path);
    scene->addObject(image);
}

Playback::Playback(VideoReader& source, ImageObject::sizing mode, int path)
    : Playback(mode, path)
{
    reader = &source;
    frame.reset(new unsigned char[source.frameBytes()]);
}

Playback::Playback(MediaReader& source, ImageObject::sizing mode, int path)
    : Playback(mode, path)
{
    media = &source;
    // Turned as the file asks; the scene turns counter-clockwise for
    // positive angles.
    scene->SceneRotation(-source.rotation());
}

Playback::~Playback()
{
    delete image;
    delete scene;
}

VideoReader::Status Playback::Advance(bool loop)
{
    if (media) {
        VideoReader::Status status = media->Next();
        if (status == VideoReader::Status::End && loop && media->framesRead() > 0) {
            if (!media->Rewind())
                return VideoReader::Status::Error;
            status = media->Next();
        }
        if (status == VideoReader::Status::Frame)
            image->Image(media->FrameIn());
        return status;
    }
    VideoReader::Status status = reader->Next(frame.get());
    // A file without a single frame ends, looping or not.
    if (status == VideoReader::Status::End && loop && reader->framesRead() > 0) {
        if (!reader->Rewind())
            return VideoReader::Status::Error;
        status = reader->Next(frame.get());
    }
    if (status == VideoReader::Status::Frame)
        image->Image(reader->FrameIn(frame.get()));
    return status;
}

void Playback::Draw(CRenderTarget* target)
{
    scene->Render(target);
}

double Playback::seconds() const
{
    if (media)
        return media->seconds();
    return static_cast<double>(reader->framesRead() - 1) * reader->rateDenominator()
        / reader->rateNumerator();
}
