#include "gl/GLTest.h"

namespace vxtest {
namespace {
    COffScreen* shared = nullptr;

    class SharedContextEnvironment : public testing::Environment {
    public:
        void SetUp() override { shared = COffScreen::NewL(64, 64); }
        void TearDown() override
        {
            delete shared;
            shared = nullptr;
        }
    };
} // namespace

COffScreen& SharedTarget()
{
    return *shared;
}

void ActivateShared()
{
    shared->Activate();
}

} // namespace vxtest

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new vxtest::SharedContextEnvironment);
    return RUN_ALL_TESTS();
}
