#include "support/OutputCapture.h"

#include "core/Print.h"

namespace vxtest {

OutputCapture::OutputCapture()
{
    previous = varnox::SetOutputSink(&OutputCapture::Append, this, &previousUser);
}

OutputCapture::~OutputCapture()
{
    varnox::SetOutputSink(previous, previousUser);
}

void OutputCapture::Append(const char* text, void* user)
{
    static_cast<OutputCapture*>(user)->captured += text;
}

} // namespace vxtest
