// Match Brace: from a selected brace to the one that balances it.
#pragma once

class CLumettaView;

// Selects the brace that balances the one selected in `view`, or says on the status bar why
// there is none.
void MatchBrace(CLumettaView& view);
