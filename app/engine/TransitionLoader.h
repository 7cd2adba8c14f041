// Finds the transitions in the fx folder and loads each into a map by its id.
#pragma once

#include <map>

#include "app/engine/RenderEffect.h"

// Every ".fxo" file under the fx folder (subfolders included) whose name does not begin
// with "_" (those are the engine's own passes) becomes a CDXSimpleRenderEffect. One that
// fails to load is dropped silently; a later file with an id already in the map takes its
// place and the earlier effect is deleted. E_UNEXPECTED when the fx folder is missing.
HRESULT LoadTransitionEffects(const EffectInitParams& params, std::map<int, CRenderEffect*>& effects);
