#include "MediaReader.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

// Where the bytes come from: a file descriptor (a file or a pipe), or memory.
// Reads wait on the descriptor and on `wake`, which Stop signals, so that a
// stalled pipe neither hangs the reader nor delays its shutdown.
struct MediaReader::Input {
    int fd = -1;
    int wake = -1;
    bool pipe = false;
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int64_t position = 0;
    std::atomic<bool> stop { false };
    std::atomic<bool> stalled { false };
    AVIOContext* io = nullptr;

    ~Input()
    {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
        if (fd >= 0)
            close(fd);
        if (wake >= 0)
            close(wake);
    }
};

namespace {

const int kBufferBytes = 1 << 16;

MediaReader::Input* InputOf(void* opaque)
{
    return static_cast<MediaReader::Input*>(opaque);
}

// Bytes for libavformat: from memory, or from the descriptor once poll says
// it has some, giving up after kStallMilliseconds without any.
int ReadInput(void* opaque, uint8_t* buffer, int size)
{
    MediaReader::Input* in = InputOf(opaque);
    if (in->fd < 0) {
        const int64_t left = in->size - in->position;
        if (left <= 0)
            return AVERROR_EOF;
        const int n = static_cast<int>(left < size ? left : size);
        std::memcpy(buffer, in->data + in->position, static_cast<size_t>(n));
        in->position += n;
        return n;
    }
    for (;;) {
        if (in->stop)
            return AVERROR_EXIT;
        pollfd waits[2] = { { in->fd, POLLIN, 0 }, { in->wake, POLLIN, 0 } };
        const int polled = poll(waits, 2, MediaReader::kStallMilliseconds);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled < 0)
            return AVERROR(errno);
        if (polled == 0) {
            in->stalled = true;
            return AVERROR(ETIMEDOUT);
        }
        if (waits[1].revents)
            return AVERROR_EXIT;
        const ssize_t n = read(in->fd, buffer, static_cast<size_t>(size));
        if (n > 0)
            return static_cast<int>(n);
        if (n == 0)
            return AVERROR_EOF;
        if (errno != EINTR && errno != EAGAIN)
            return AVERROR(errno);
    }
}

int64_t SeekInput(void* opaque, int64_t offset, int whence)
{
    MediaReader::Input* in = InputOf(opaque);
    if (in->pipe)
        return AVERROR(ESPIPE);
    whence &= ~AVSEEK_FORCE;
    if (in->fd >= 0) {
        if (whence == AVSEEK_SIZE) {
            struct stat info;
            return fstat(in->fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
        }
        const off_t at = lseek(in->fd, static_cast<off_t>(offset), whence);
        return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
    }
    int64_t at = offset;
    if (whence == AVSEEK_SIZE)
        return in->size;
    if (whence == SEEK_CUR)
        at += in->position;
    else if (whence == SEEK_END)
        at += in->size;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (at < 0 || at > in->size)
        return AVERROR(EINVAL);
    in->position = at;
    return at;
}

int Interrupted(void* opaque)
{
    return InputOf(opaque)->stop ? 1 : 0;
}

// The image object's layout for frames decoded as `format`; -1 for one it
// does not take.
int TakenLayout(int format)
{
    switch (format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
        return ImageObject::I420;
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
        return ImageObject::I422;
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P:
        return ImageObject::I444;
    case AV_PIX_FMT_NV12:
        return ImageObject::NV12;
    case AV_PIX_FMT_NV21:
        return ImageObject::NV21;
    case AV_PIX_FMT_YUYV422:
        return ImageObject::YUY2;
    case AV_PIX_FMT_UYVY422:
        return ImageObject::UYVY;
    case AV_PIX_FMT_GRAY8:
        return ImageObject::I400;
    case AV_PIX_FMT_YUV420P10LE:
        return ImageObject::I010;
    case AV_PIX_FMT_P010LE:
        return ImageObject::P010;
    case AV_PIX_FMT_YUV422P10LE:
        return ImageObject::I210;
    case AV_PIX_FMT_YUV444P10LE:
        return ImageObject::I410;
    default:
        return -1;
    }
}

// What libswscale converts a format the image object does not take into: the
// planar YUV of its chroma subsampling (RGB and odd subsamplings: 4:4:4), 10
// bits where it has more than 8.
AVPixelFormat ConversionTarget(int format)
{
    const AVPixFmtDescriptor* about = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    const bool deep = about && about->comp[0].depth > 8;
    const bool rgb = !about || (about->flags & AV_PIX_FMT_FLAG_RGB) || about->nb_components < 3;
    if (!rgb && about->log2_chroma_w == 1 && about->log2_chroma_h == 1)
        return deep ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
    if (!rgb && about->log2_chroma_w == 1 && about->log2_chroma_h == 0)
        return deep ? AV_PIX_FMT_YUV422P10LE : AV_PIX_FMT_YUV422P;
    return deep ? AV_PIX_FMT_YUV444P10LE : AV_PIX_FMT_YUV444P;
}

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

bool IsRgb(int format)
{
    const AVPixFmtDescriptor* about = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    return about && (about->flags & AV_PIX_FMT_FLAG_RGB);
}

bool FullRangeFormat(int format)
{
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

const char* FormatName(int format)
{
    const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
    return name ? name : "an unknown pixel format";
}

// The clockwise quarter turns, in degrees, that a stream's display matrix
// asks for; 0 without one or for a matrix that is no rotation.
int Rotation(const AVStream* video)
{
#if LIBAVFORMAT_VERSION_INT >= AV_VERSION_INT(60, 15, 100)
    const AVPacketSideData* side = av_packet_side_data_get(
        video->codecpar->coded_side_data, video->codecpar->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX);
    const uint8_t* matrix = side ? side->data : nullptr;
    const size_t bytes = side ? side->size : 0;
#else
    size_t bytes = 0;
    const uint8_t* matrix = av_stream_get_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, &bytes);
#endif
    if (!matrix || bytes < 9 * sizeof(int32_t))
        return 0;
    // Counter-clockwise degrees; NaN for a matrix that scales to nothing.
    const double angle = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (!std::isfinite(angle))
        return 0;
    const long quarters = std::lround(-angle / 90.0) % 4;
    return static_cast<int>((quarters + 4) % 4) * 90;
}

} // namespace

double MediaReader::SecondsAt(int64_t timestamp) const
{
    // In floating point: a fuzzed file's timestamps overflow a difference of
    // 64-bit integers.
    return (static_cast<double>(timestamp) - static_cast<double>(startTime)) * timeBase;
}

bool MediaReader::Available()
{
    return true;
}

void MediaReader::Quiet(bool verbose)
{
    av_log_set_level(verbose ? AV_LOG_WARNING : AV_LOG_QUIET);
}

MediaReader::MediaReader()
    : input(new Input)
{
    for (AVFrame*& slot : slots)
        slot = av_frame_alloc();
    packet = av_packet_alloc();
    decoded = av_frame_alloc();
}

MediaReader::~MediaReader()
{
    Close();
    for (AVFrame*& slot : slots)
        av_frame_free(&slot);
    av_packet_free(&packet);
    av_frame_free(&decoded);
}

void MediaReader::Close()
{
    Stop();
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    sws_freeContext(scaler);
    scaler = nullptr;
    input.reset(new Input);
}

bool MediaReader::Fail(const std::string& what)
{
    message = name + ": " + what;
    Close();
    return false;
}

std::string MediaReader::Text(int error) const
{
    if (error == AVERROR(ETIMEDOUT) && input->stalled)
        return "nothing to read for " + std::to_string(kStallMilliseconds / 1000)
            + " s (a pipe that no one writes into?)";
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(error, text, sizeof text);
    return text;
}

bool MediaReader::Open(const char* path, double startSeconds)
{
    name = path;
    // Without O_NONBLOCK, opening a FIFO waits for a writer, beyond the reach
    // of any time limit; reads wait in poll instead.
    input->fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (input->fd < 0)
        return Fail(std::strerror(errno));
    struct stat info;
    if (fstat(input->fd, &info) != 0)
        return Fail(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return Fail("is a folder, not a video file");
    input->pipe = !S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode);
    if (!OpenInput())
        return false;
    if (startSeconds > 0 && !SeekStopped(startSeconds, false))
        return Fail(message.substr(name.size() + 2));
    Start();
    return true;
}

bool MediaReader::OpenMemory(const void* data, size_t size, bool threaded)
{
    name = "memory";
    input->data = static_cast<const uint8_t*>(data);
    input->size = static_cast<int64_t>(size);
    threads = threaded;
    if (!OpenInput())
        return false;
    Start();
    return true;
}

bool MediaReader::OpenInput()
{
    input->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    unsigned char* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    input->io = avio_alloc_context(buffer, kBufferBytes, 0, input.get(), ReadInput, nullptr, SeekInput);
    if (!input->io) {
        av_free(buffer);
        return Fail("out of memory");
    }
    input->io->seekable = input->pipe ? 0 : AVIO_SEEKABLE_NORMAL;
    format = avformat_alloc_context();
    format->pb = input->io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->interrupt_callback.callback = Interrupted;
    format->interrupt_callback.opaque = input.get();
    // Probed apart from opening, so that a file of a known container that
    // cannot be opened (cut before its index) is told from one of none.
    const AVInputFormat* container = nullptr;
    int result = av_probe_input_buffer2(input->io, &container, name.c_str(), nullptr, 0, 0);
    if (result < 0 && input->stalled)
        return Fail(Text(AVERROR(ETIMEDOUT)));
    if (result < 0 && result != AVERROR_INVALIDDATA && result != AVERROR_EOF)
        return Fail("cannot be read: " + Text(result));
    // A name's extension alone (text in a file named .mp4) is no match.
    if (result <= AVPROBE_SCORE_EXTENSION || !container)
        return Fail("not a video file (no container format FFmpeg's libraries read matches it)");
    result = avformat_open_input(&format, name.c_str(), container, nullptr);
    if (result < 0)
        return Fail(std::string("broken or cut short: it looks like ") + container->long_name + " but "
            + (input->stalled ? Text(AVERROR(ETIMEDOUT)) : Text(result)));
    result = avformat_find_stream_info(format, nullptr);
    if (result < 0 && input->stalled)
        return Fail(Text(result));
    const AVCodec* decoder = nullptr;
    stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream == AVERROR_STREAM_NOT_FOUND)
        return Fail("no video stream");
    AVStream* video = format->streams[stream < 0 ? 0 : stream];
    if (stream < 0 || !decoder)
        return Fail(
            std::string("no decoder for its video (") + avcodec_get_name(video->codecpar->codec_id) + ")");
    turn = Rotation(video);
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != stream)
            format->streams[i]->discard = AVDISCARD_ALL;

    codec = avcodec_alloc_context3(decoder);
    if (!codec || avcodec_parameters_to_context(codec, video->codecpar) < 0)
        return Fail("out of memory");
    codec->pkt_timebase = video->time_base;
    codec->thread_count = threads ? 0 : 1;
    // Bytes from memory are the fuzzer's: frames of up to 4 million pixels,
    // so that a fuzzed size cannot ask for gigabytes.
    if (input->fd < 0)
        codec->max_pixels = 1 << 22;
    // Checksums and bitstream checks where the codec has them: damage is
    // found and said, not only concealed.
    codec->err_recognition |= AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER;
    result = avcodec_open2(codec, decoder, nullptr);
    if (result < 0)
        return Fail(std::string("the ") + decoder->name + " decoder refuses the stream: " + Text(result));
    frameWidth = codec->width;
    frameHeight = codec->height;
    if (frameWidth <= 0 || frameHeight <= 0)
        return Fail("its video stream gives no frame size");
    AVRational rate = video->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = video->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        rateNum = rate.num;
        rateDen = rate.den;
    }
    // Kept here: the demuxer owns the stream while the thread reads.
    timeBase = av_q2d(video->time_base);
    if (!(timeBase > 0))
        return Fail("its video stream has no time base");
    startTime = video->start_time == AV_NOPTS_VALUE ? 0 : video->start_time;
    // The video's declared length: its own, or the file's where the file
    // holds nothing else (another stream may run longer).
    if (video->duration > 0)
        length = video->duration * timeBase;
    else if (format->nb_streams == 1 && format->duration > 0)
        length = format->duration / double(AV_TIME_BASE) - startTime * timeBase;
    const int decodedFormat = codec->pix_fmt;
    if (decodedFormat < 0)
        converting = std::string(decoder->name) + " decoder";
    else if (TakenLayout(decodedFormat) >= 0)
        converting = std::string(decoder->name) + " decodes into " + FormatName(decodedFormat)
            + ", which the library takes as it is";
    else
        converting = std::string(decoder->name) + " decodes into " + FormatName(decodedFormat)
            + ", converted by libswscale into " + FormatName(ConversionTarget(decodedFormat));
    return true;
}

void MediaReader::SetColours(int matrix, int range)
{
    matrixOverride = matrix;
    rangeOverride = range;
}

void MediaReader::Start()
{
    thread = std::thread(&MediaReader::Decode, this);
}

void MediaReader::Stop()
{
    if (!thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        input->stop = true;
    }
    const uint64_t one = 1;
    if (write(input->wake, &one, sizeof one) < 0) { } // cannot fail: at most one before it is read
    changed.notify_all();
    thread.join();
    uint64_t drained;
    if (read(input->wake, &drained, sizeof drained) < 0) { }
    input->stop = false;
    stopping = false;
    // What was queued is dropped.
    for (int i = 0; i < ready; ++i)
        Release((head + i) % kSlots);
    head = ready = 0;
    holding = ended = false;
    problem.clear();
}

void MediaReader::Release(int slot)
{
    if (!owned[slot])
        av_frame_unref(slots[slot]);
}

// The decoding thread: packets in, frames out into the queue, until the end
// of the stream, a read failure or Stop. A packet the decoder refuses is
// remembered and skipped: the frames after it still play.
void MediaReader::Decode()
{
    trouble.clear();
    double end = 0; // where the packets read so far end, in seconds
    bool draining = false;
    for (;;) {
        const int result = draining ? 0 : av_read_frame(format, packet);
        if (result == AVERROR_EXIT || input->stop) {
            av_packet_unref(packet); // read just as Stop came: the next read must find it empty
            break;
        }
        if (result < 0) {
            if (result != AVERROR_EOF && trouble.empty())
                trouble = "reading failed at " + Seconds(end) + ": " + Text(result);
            // Some containers (Matroska) end a file cut short as if it were
            // whole: the video's end falls short of its declared length.
            if (result == AVERROR_EOF && trouble.empty() && length > 0
                && length - end > 1.5 * rateDen / rateNum)
                trouble = "the file is cut short or damaged: its video ends at " + Seconds(end) + " of "
                    + Seconds(length);
            draining = true;
        } else if (packet->stream_index != stream) {
            av_packet_unref(packet);
            continue;
        } else {
            const double at = packet->pts == AV_NOPTS_VALUE ? end : SecondsAt(packet->pts);
            if ((packet->flags & AV_PKT_FLAG_CORRUPT) && trouble.empty())
                trouble = "the file is cut short: the frame at " + Seconds(at) + " is incomplete";
            end = std::fmax(end, at + packet->duration * timeBase);
        }
        const int sent = avcodec_send_packet(codec, draining ? nullptr : packet);
        const double at = packet->pts == AV_NOPTS_VALUE ? end : SecondsAt(packet->pts);
        av_packet_unref(packet);
        if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF && trouble.empty())
            trouble
                = "damaged video: the frame at " + Seconds(at) + " cannot be decoded (" + Text(sent) + ")";
        if (!Receive())
            break;
        if (draining)
            break;
    }
    std::lock_guard<std::mutex> hold(lock);
    ended = true;
    if (!stopping)
        problem = trouble;
    changed.notify_all();
}

// Takes every frame the decoder has ready into the queue; false when Stop
// asked to end.
bool MediaReader::Receive()
{
    for (;;) {
        const int result = avcodec_receive_frame(codec, decoded);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            if (trouble.empty())
                trouble = "damaged video: a frame cannot be decoded (" + Text(result) + ")";
            return true; // its next packet may be whole
        }
        // Decoders conceal what they can; the frame is shown, and said to be damaged.
        if ((decoded->decode_error_flags || (decoded->flags & AV_FRAME_FLAG_CORRUPT)) && trouble.empty())
            trouble = "damaged video: the frame at " + Seconds(SecondsAt(decoded->best_effort_timestamp))
                + " has errors";
        if (!Deliver())
            return false;
    }
}

// Moves `decoded` into the next free slot, or converts it there, and queues
// it; waits while every slot is taken.
bool MediaReader::Deliver()
{
    int at;
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return stopping || ready < kSlots; });
        if (stopping) {
            av_frame_unref(decoded);
            return false;
        }
        at = (head + ready) % kSlots;
    }
    AVFrame* slot = slots[at];
    if (TakenLayout(decoded->format) >= 0) {
        if (owned[at]) {
            av_frame_unref(slot);
            owned[at] = false;
        }
        av_frame_move_ref(slot, decoded);
    } else {
        // Converted into buffers the slot keeps: made once for each slot.
        const AVPixelFormat target = ConversionTarget(decoded->format);
        if (!owned[at] || slot->format != target || slot->width != decoded->width
            || slot->height != decoded->height) {
            av_frame_unref(slot);
            slot->format = target;
            slot->width = decoded->width;
            slot->height = decoded->height;
            owned[at] = av_frame_get_buffer(slot, 0) == 0;
        }
        SwsContext* before = scaler;
        scaler = sws_getCachedContext(scaler, decoded->width, decoded->height,
            static_cast<AVPixelFormat>(decoded->format), decoded->width, decoded->height, target, SWS_BICUBIC,
            nullptr, nullptr, nullptr);
        if (!owned[at] || !scaler) {
            av_frame_unref(decoded);
            return true; // no memory for it: the frame is skipped
        }
        if (scaler != before && !IsRgb(decoded->format)) {
            // Samples keep their values: the frame's matrix and range still hold.
            const int full = decoded->color_range == AVCOL_RANGE_JPEG;
            const int* table = sws_getCoefficients(SWS_CS_DEFAULT);
            sws_setColorspaceDetails(scaler, table, full, table, full, 0, 1 << 16, 1 << 16);
        }
        sws_scale(scaler, decoded->data, decoded->linesize, 0, decoded->height, slot->data, slot->linesize);
        slot->best_effort_timestamp = decoded->best_effort_timestamp;
        // What the matrix and range of the converted samples are.
        slot->colorspace = IsRgb(decoded->format) ? AVCOL_SPC_BT470BG : decoded->colorspace;
        slot->color_range = IsRgb(decoded->format) ? AVCOL_RANGE_MPEG : decoded->color_range;
        av_frame_unref(decoded);
    }
    std::lock_guard<std::mutex> hold(lock);
    ++ready;
    changed.notify_all();
    return true;
}

MediaReader::Status MediaReader::Next()
{
    AVFrame* next;
    {
        std::unique_lock<std::mutex> hold(lock);
        if (holding) {
            Release(head);
            head = (head + 1) % kSlots;
            --ready;
            holding = false;
            changed.notify_all();
        }
        changed.wait(hold, [&] { return ready > 0 || ended; });
        if (ready == 0) {
            if (problem.empty())
                return Status::End;
            message = name + ": " + problem;
            return Status::Error;
        }
        holding = true;
        next = slots[head];
    }
    MapFrame(next);
    ++count;
    return Status::Frame;
}

void MediaReader::MapFrame(const AVFrame* decoded)
{
    frame.layout = TakenLayout(decoded->format);
    frame.width = decoded->width;
    frame.height = decoded->height;
    for (int i = 0; i < 3; ++i) {
        frame.planes[i] = decoded->data[i];
        frame.strides[i] = decoded->linesize[i];
    }
    int matrix;
    switch (decoded->colorspace) {
    case AVCOL_SPC_BT709:
        matrix = ImageObject::BT709;
        break;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_FCC:
        matrix = ImageObject::BT601;
        break;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        matrix = ImageObject::BT2020;
        break;
    default:
        matrix = decoded->height >= 720 ? ImageObject::BT709 : ImageObject::BT601;
        break;
    }
    const bool full = decoded->color_range == AVCOL_RANGE_JPEG
        || (decoded->color_range != AVCOL_RANGE_MPEG && FullRangeFormat(decoded->format));
    frame.matrix = matrixOverride >= 0 ? matrixOverride : matrix;
    frame.range = rangeOverride >= 0 ? rangeOverride
        : full                       ? ImageObject::fullRange
                                     : ImageObject::limitedRange;

    if (decoded->best_effort_timestamp != AV_NOPTS_VALUE)
        frameSeconds = SecondsAt(decoded->best_effort_timestamp);
    else if (count > 0)
        frameSeconds += static_cast<double>(rateDen) / rateNum;
}

bool MediaReader::Seek(double seconds, bool after)
{
    const bool done = SeekStopped(seconds, after);
    Start();
    return done;
}

// Seeks while the decoding thread is stopped (or not started yet).
bool MediaReader::SeekStopped(double seconds, bool after)
{
    Stop();
    // In floating point and clamped: a file's first timestamp may be anything.
    const double target = std::fmin(
        std::fmax(static_cast<double>(startTime) + std::fmax(0, seconds) / timeBase, -9e18), 9e18);
    const int result
        = av_seek_frame(format, stream, static_cast<int64_t>(target), after ? 0 : AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec);
    if (result >= 0)
        return true;
    message = name + ": cannot seek: " + Text(result);
    return false;
}
