"""Helpers for the Quorvane IR end-to-end tests."""
