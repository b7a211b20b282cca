#include "platform/rowediting.h"

#include <QPushButton>

#include "platform/beep.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "platform/recordset.h"

namespace zv {

void browse(Recordset& rs, BrowseMove move) {
    switch (move) {
    case BrowseMove::First: rs.moveFirst(); break;
    case BrowseMove::Previous: movePreviousOrBeep(rs); break;
    case BrowseMove::Next: moveNextOrBeep(rs); break;
    case BrowseMove::Last: rs.moveLast(); break;
    }
}

void connectBrowsing(Form& form, Recordset& rs, const std::array<QPushButton*, 4>& firstPreviousNextLast,
                     const std::function<void()>& show) {
    const std::array moves{BrowseMove::First, BrowseMove::Previous, BrowseMove::Next, BrowseMove::Last};
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const BrowseMove move = moves[i];
        QObject::connect(firstPreviousNextLast[i], &QPushButton::clicked, &form, [&form, &rs, move, show] {
            form.guard([&rs, move, &show] {
                browse(rs, move);
                show();
            });
        });
    }
}

void keepEditAfterFailedSave(Recordset& rs, bool wasNew) {
    if (wasNew && !rs.isNewRow())
        ignoring([&] { rs.addNew(); });
    else if (!wasNew)
        rs.cancelUpdate();
}

}  // namespace zv
