#pragma once

// The whole public interface of Varnox.

#include <varnox/Export.h>
#include <varnox/Messages.h>
#include <varnox/kxVec.h>
#include <varnox/kxTransform.h>
#include <varnox/kxObject.h>
#include <varnox/kxStream.h>
#include <varnox/Texture.h>
#include <varnox/Shader.h>
#include <varnox/kxExtensions.h>
#include <varnox/Node.h>
#include <varnox/Geometry.h>
#include <varnox/Group.h>
#include <varnox/CScene.h>
#include <varnox/kxParametric.h>
#include <varnox/ImageObject.h>
#include <varnox/CRenderTarget.h>
#include <varnox/COffScreen.h>
#include <varnox/CWindowVNX.h>
