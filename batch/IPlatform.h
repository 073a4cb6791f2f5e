// What a batch run needs of the system it runs on: its files and its user.
// A front end's platform implements both halves; code that only touches
// files takes an IFileSystem.
#pragma once

#include "IFileSystem.h"
#include "IUserInteraction.h"

class IPlatform : public IFileSystem, public IUserInteraction {};
