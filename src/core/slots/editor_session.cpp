#include "core/slots/editor_session.h"

namespace app {

void EditorSession::add() {
    if (const auto target = composer_.compose()) store_(slot_, *target);
    if (onDone) onDone();
}

void EditorSession::close() {
    composer_ = {};
    if (onForgotten) onForgotten();
    if (onDone) onDone();
}

}  // namespace app
