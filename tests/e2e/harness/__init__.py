"""Reusable pieces of the end-to-end harness: web servers, log listener, Wine runs."""
