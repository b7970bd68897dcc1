<?php
// Counts the requests of one browser session.
session_start();
$_SESSION['count'] = ($_SESSION['count'] ?? 0) + 1;
echo 'count=' . $_SESSION['count'] . ' in ' . session_save_path();
