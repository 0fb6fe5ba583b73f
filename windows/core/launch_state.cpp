#include "launch_state.h"

LaunchState& launchState() {
    static LaunchState state;
    return state;
}
