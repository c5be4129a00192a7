// targets.h: the renderer's vector targets one at a time, for the render
// tests and the renderer benchmark.
//
//   drawTargets()   the vector targets this build has and this processor runs
//   useTarget(t)    the renderer draws with target t alone until
//                   useTarget(0) gives the choice back to Highway
//   targetChosen()  whether a draw since useTarget(t) went through
//                   Highway's dispatch, and so drew with target t
#pragma once

#include <hwy/targets.h>
#include <stdint.h>

#include <vector>

#if (HWY_TARGETS & (HWY_TARGETS - 1)) != 0
// Highway's own hook for testing each target: every dynamic dispatch after
// it goes to that target, until it is called with 0.
inline std::vector<int64_t> drawTargets()
{
    return hwy::SupportedAndGeneratedTargets();
}

inline void useTarget(int64_t target)
{
    hwy::SetSupportedTargetsForTest(target);
}

// The hook leaves the choice to be made, and only a dynamic dispatch makes
// it: Highway's own TestWithParamTarget checks this after each test.
inline bool targetChosen()
{
    return hwy::GetChosenTarget().IsInitialized();
}
#else
// One target compiled in (HWY_COMPILE_ONLY_STATIC, where Highway's library
// is not linked: the aarch64 build), so there is nothing to choose.
inline std::vector<int64_t> drawTargets()
{
    return {HWY_STATIC_TARGET};
}

inline void useTarget(int64_t) {}

inline bool targetChosen()
{
    return true;
}
#endif
