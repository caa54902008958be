#include "gl/SceneProbes.h"

#include "support/ScratchFolder.h"

namespace vxtest {

void AttachPassThroughStages(Shader* shader)
{
    static const char source[] = "#ifdef VERTEX_SHADER\n"
                                 "void main() { gl_FrontColor = gl_Color; gl_Position = ftransform(); }\n"
                                 "#endif\n"
                                 "#ifdef FRAGMENT_SHADER\n"
                                 "void main() { gl_FragColor = gl_Color; }\n"
                                 "#endif\n";
    // The programs read the file in their constructors; it goes with the folder.
    const ScratchFolder folder("pass");
    const std::string path = folder.Write("pass.sh", source);
    shader->SetVertexProgram(new VertexProgram(path.c_str()));
    shader->SetFragmentProgram(new FragmentProgram(path.c_str()));
}

} // namespace vxtest
