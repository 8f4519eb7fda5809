"""The stage that the demo and the end-to-end suite share: nginx as the maker's
web server, Wine and its X display, the UDP log listener, releases published
with korvan-publish, and waiting with a deadline."""
