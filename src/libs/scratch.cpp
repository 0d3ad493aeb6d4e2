#include "scratch.h"

namespace kora {

void set_visit_marks(NET *net, unsigned mark) {
  for (STATE *s = net->states; s != nullptr; s = s->next) s->flags.visit_mark = mark & 0xFF;
  net->flags.visit_marks_dirty = mark != 0;
}

void clear_visit_marks_if_dirty(NET *net) {
  if (net->flags.visit_marks_dirty) set_visit_marks(net, 0);
}

void clear_client_cells(NET *net) {
  for (STATE *s = net->states; s != nullptr; s = s->next) s->client_cell = nullptr;
}

}  // namespace kora
