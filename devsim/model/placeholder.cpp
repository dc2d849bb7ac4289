namespace devsim {}
