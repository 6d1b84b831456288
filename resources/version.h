// The version both programs show, in their version blocks and on zekocli's --version.
#pragma once

#define ZEKO_VERSION "1.03a"
