// Translation unit that keeps the portable library non-empty.
namespace pelloran { int coreVersion() { return 1; } }
